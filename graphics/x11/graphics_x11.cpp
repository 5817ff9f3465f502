#include "graphics/x11/graphics_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_image_resource.h"
#include "graphics/editor_size.h"
#include "graphics/file_checks.h"
#include "graphics/file_filter.h"
#include "graphics/image_names.h"
#include "graphics/x11/x11_error_trap.h"
#include "graphics/x11/x11_external_dialogs.h"
#include "graphics/x11/x11_paths.h"
#include "graphics/x11/x11_popup_menu.h"
#include "graphics/x11/x11_window_state.h"
#include "graphics/x11/x11_work_area.h"

namespace fluvia {
namespace {

constexpr long kEditorEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                               PointerMotionMask | LeaveWindowMask | KeyPressMask |
                               KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
constexpr int kClipboardWaitMs = 500;
constexpr int kIdYes = 6;
constexpr int kYesNo = 4;

// Something in this module, for finding the module's own file.
const char kModuleAnchor = 0;

void EnsureXThreads() {
  // Hosts drive X from several threads (their own connections); Xlib must be told before the
  // first connection of the process. Since libX11 1.8 this is the default and the call is
  // harmless.
  static std::once_flag once;
  std::call_once(once, [] { XInitThreads(); });
}

Window TopLevelOf(Display* display, Window window) {
  Window current = window;
  for (int depth = 0; depth < 64; ++depth) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, current, &root, &parent, &children, &count)) return window;
    if (children) XFree(children);
    if (parent == root || parent == 0) return current;
    current = parent;
  }
  return current;
}

}  // namespace

IGraphicsX11::IGraphicsX11(IPluginCore& plugin, ArtworkSet set)
    : IGraphics(plugin, EditorSizeFor(set).width, EditorSizeFor(set).height, kEditorFrameRate) {
  SetArtwork(set);
}

// An open prompt is held here while the person answers it.
struct IGraphicsX11::PendingMenu {
  X11PopupContext context;  // the popup refers to it
  std::unique_ptr<X11PopupMenu> popup;
  MenuDone done;
};

struct IGraphicsX11::PendingFilePrompt {
  std::unique_ptr<ChildProcess> chooser;
  int mode = kFileOpen;
  std::string directory;  // where it started: kept when nothing is chosen
  FileDone done;
};

IGraphicsX11::~IGraphicsX11() {
  // The controls waiting for answers go with the editor: nothing is told.
  destroying_ = true;
  CloseWindow();
}

// ---- Window lifecycle -------------------------------------------------------------------------

void* IGraphicsX11::OpenWindow(void* parent) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  int x = 0, y = 0;
  if (x_ && !x_->windowGone) {
    // Opening again without a close: the new window takes the old one's place.
    X11ErrorTrap trap(x_->display);
    Window root = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (!XGetGeometry(x_->display, x_->window, &root, &x, &y, &w, &h, &border, &depth) ||
        trap.SyncAndCheck()) {
      x = y = 0;
    }
  }
  CloseWindow();
  const Window parentWindow = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
  if (parentWindow == 0) return nullptr;

  EnsureXThreads();
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  auto state = std::make_unique<X11WindowState>();
  state->display = display;
  state->parent = parentWindow;
  {
    X11ErrorTrap trap(display);
    XWindowAttributes parentAttributes{};
    const bool parentOk = XGetWindowAttributes(display, parentWindow, &parentAttributes) != 0;
    if (!parentOk || trap.SyncAndCheck() || !parentAttributes.screen) {
      XCloseDisplay(display);
      return nullptr;
    }
    state->screen = XScreenNumberOfScreen(parentAttributes.screen);
    state->visual =
        ChooseVisual(display, state->screen, parentAttributes.visual, parentAttributes.depth);

    XSetWindowAttributes attributes{};
    // No background: the editor paints every pixel, and a cleared background would flicker.
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.event_mask = kEditorEvents;
    unsigned long valueMask = CWBackPixmap | CWBorderPixel | CWEventMask;
    if (state->visual.visual != parentAttributes.visual) {
      state->colormap = XCreateColormap(display, RootWindow(display, state->screen),
                                        state->visual.visual, AllocNone);
      attributes.colormap = state->colormap;
      valueMask |= CWColormap;
    }
    state->window = XCreateWindow(display, parentWindow, x, y, unsigned(std::max(Width(), 1)),
                                  unsigned(std::max(Height(), 1)), 0, state->visual.depth,
                                  InputOutput, state->visual.visual, valueMask, &attributes);
    if (trap.SyncAndCheck() || !state->window) {
      if (state->colormap) XFreeColormap(display, state->colormap);
      XCloseDisplay(display);
      return nullptr;
    }
    XStoreName(display, state->window, "IPlugin");
    state->gc = XCreateGC(display, state->window, 0, nullptr);
    state->output = std::make_unique<X11SurfaceOutput>(display, state->visual);
    state->topLevel = TopLevelOf(display, parentWindow);
    XMapWindow(display, state->window);
    XWindowAttributes own{};
    if (XGetWindowAttributes(display, state->window, &own) && own.map_state == IsViewable) {
      XSetInputFocus(display, state->window, RevertToParent, CurrentTime);
    }
    trap.SyncAndCheck();
  }
  x_ = std::move(state);
  // The new window shows everything on its first draw.
  SetAllControlsDirty();
  Invalidate(IBounds(0, 0, Width(), Height()));
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(x_->window));
}

void IGraphicsX11::CloseWindow() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  AbandonPrompts();
  if (!x_) return;
  if (HasCursorHidden()) ShowMouseCursor();
  DestroyWindowState();
}

void IGraphicsX11::DestroyWindowState() {
  std::unique_ptr<X11WindowState> state = std::move(x_);
  Display* display = state->display;
  X11ErrorTrap trap(display);
  if (state->hostCapture) XUngrabPointer(display, CurrentTime);
  state->output.reset();
  if (state->gc) XFreeGC(display, state->gc);
  if (state->blankCursor) XFreeCursor(display, state->blankCursor);
  if (!state->windowGone && state->window) XDestroyWindow(display, state->window);
  if (state->colormap) XFreeColormap(display, state->colormap);
  XCloseDisplay(display);
}

bool IGraphicsX11::WindowIsOpen() const { return x_ && !x_->windowGone; }

unsigned long IGraphicsX11::XWindow() const { return WindowIsOpen() ? x_->window : 0; }

bool IGraphicsX11::ParentSize(int& width, int& height) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!WindowIsOpen()) return false;
  X11ErrorTrap trap(x_->display);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  // The parent as it is now: a host may have reparented the window since it was opened.
  if (!XQueryTree(x_->display, x_->window, &root, &parent, &children, &count)) return false;
  if (children) XFree(children);
  int x = 0, y = 0;
  unsigned w = 0, h = 0, border = 0, depth = 0;
  if (!parent || !XGetGeometry(x_->display, parent, &root, &x, &y, &w, &h, &border, &depth) ||
      trap.SyncAndCheck()) {
    return false;
  }
  width = int(w);
  height = int(h);
  return true;
}

void IGraphicsX11::AnnounceSize() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!WindowIsOpen()) return;
  X11ErrorTrap trap(x_->display);
  // A configure request that changes nothing sends no event, so the size changes and returns.
  const unsigned w = unsigned(std::max(Width(), 1)), h = unsigned(std::max(Height(), 1));
  XResizeWindow(x_->display, x_->window, w, h + 1);
  XResizeWindow(x_->display, x_->window, w, h);
  XFlush(x_->display);
}

void* IGraphicsX11::GetWindowHandle() {
  return WindowIsOpen() ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(x_->window))
                        : nullptr;
}

int IGraphicsX11::ConnectionFd() const { return x_ ? ConnectionNumber(x_->display) : -1; }

// ---- Drawing ----------------------------------------------------------------------------------

void IGraphicsX11::Invalidate(const IBounds& rect) {
  if (x_) x_->invalid = x_->invalid.Union(rect);
}

void IGraphicsX11::OnTimer() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  // Round trips made outside the event handler (this tick's own, a prompt's) can leave events
  // in Xlib's queue without the connection becoming readable again; the tick picks them up.
  ProcessPendingEvents();
  if (pendingMenu_ && WindowIsOpen()) {
    X11ErrorTrap trap(x_->display);
    pendingMenu_->popup->Tick();
  }
  PollFilePrompt();
  if (!WindowIsOpen()) return;
  X11ErrorTrap trap(x_->display);
  Redraw();
}

void IGraphicsX11::Redraw() {
  if (!WindowIsOpen()) return;
  IBounds dirty;
  IsDirty(dirty);
  const IBounds region = dirty.Union(x_->invalid);
  x_->invalid = IBounds();
  if (region.Empty()) return;
  Draw(region);
  XFlush(x_->display);
}

bool IGraphicsX11::DrawScreen(const IBounds& region) {
  if (!WindowIsOpen() || !DrawSurface()) return false;
  x_->output->Put(x_->window, x_->gc, *DrawSurface(), region.left, region.top, region.right,
                  region.bottom);
  return true;
}

bool IGraphicsX11::MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) {
  return DrawIText(style, text, rect, true);
}

void IGraphicsX11::Resize(int width, int height) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (width == Width() && height == Height()) return;
  ResizeGraphics(width, height);
  if (!WindowIsOpen()) return;
  X11ErrorTrap trap(x_->display);
  // Only the editor's own window changes; the host sizes its windows itself.
  XResizeWindow(x_->display, x_->window, unsigned(std::max(Width(), 1)),
                unsigned(std::max(Height(), 1)));
  Invalidate(IBounds(0, 0, Width(), Height()));
  XFlush(x_->display);
}

// ---- Modal prompts ----------------------------------------------------------------------------

void IGraphicsX11::ReleaseCapture() {
  if (!x_ || !x_->hostCapture) return;
  x_->hostCapture = false;
  XUngrabPointer(x_->display, CurrentTime);
  XFlush(x_->display);
}

X11PopupContext IGraphicsX11::PopupContext(const IBounds& rect, int& rootX, int& rootY) {
  Window child = 0;
  XTranslateCoordinates(x_->display, x_->window, RootWindow(x_->display, x_->screen), rect.left,
                        rect.bottom, &rootX, &rootY, &child);
  X11PopupContext context;
  context.display = x_->display;
  context.screen = x_->screen;
  context.owner = x_->window;
  context.visual = x_->visual;
  context.colormap = x_->colormap;
  return context;
}

IMenuList* IGraphicsX11::CreateIPopupMenu(IMenuList& menu, const IBounds& rect) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!WindowIsOpen() || modalDepth_ > 0) return nullptr;
  ResetMouseState();
  X11ErrorTrap trap(x_->display);
  ReleaseCapture();
  x_->clicks.Reset();

  int rootX = 0, rootY = 0;
  X11PopupContext context = PopupContext(rect, rootX, rootY);
  context.otherEvent = [this](XEvent& event) { HandleEvent(event); };
  context.idle = [this] { Redraw(); };
  context.ownerGone = [this] { return !WindowIsOpen(); };
  ++modalDepth_;
  IMenuList* chosen = RunPopupMenu(context, menu, rootX, rootY);
  --modalDepth_;
  // The menu covered part of the editor.
  Invalidate(IBounds(0, 0, Width(), Height()));
  return chosen;
}

void IGraphicsX11::BeginPopupMenu(IMenuList& menu, const IBounds& rect, MenuDone done) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!WindowIsOpen() || modalDepth_ > 0 || menu.NumItems() == 0) {
    if (done) done(MenuResult{});
    return;
  }
  ResetMouseState();
  X11ErrorTrap trap(x_->display);
  ReleaseCapture();
  x_->clicks.Reset();

  auto pending = std::make_unique<PendingMenu>();
  int rootX = 0, rootY = 0;
  pending->context = PopupContext(rect, rootX, rootY);
  pending->popup = std::make_unique<X11PopupMenu>(pending->context, menu, rootX, rootY);
  pending->done = std::move(done);
  pendingMenu_ = std::move(pending);
  ++modalDepth_;
  // Events and ticks of the run loop drive it from here on.
  if (pendingMenu_->popup->Finished()) FinishMenu(false);
}

bool IGraphicsX11::OfferToMenu(XEvent& event) {
  if (!pendingMenu_ || !pendingMenu_->popup->Handle(event)) return false;
  if (pendingMenu_->popup->Finished()) FinishMenu(false);
  return true;
}

void IGraphicsX11::FinishMenu(bool abandoned) {
  if (!pendingMenu_) return;
  std::unique_ptr<PendingMenu> pending = std::move(pendingMenu_);
  MenuResult answer;
  answer.chosen = abandoned ? nullptr : pending->popup->Chosen();
  answer.abandoned = abandoned;
  {
    // A menu lives only while the window's connection does: closing abandons it first.
    X11ErrorTrap trap(x_->display);
    pending->popup.reset();  // its windows go now, before the answer is acted on
  }
  --modalDepth_;
  // The menu covered part of the editor.
  Invalidate(IBounds(0, 0, Width(), Height()));
  if (pending->done && !(abandoned && destroying_)) pending->done(answer);
}

void IGraphicsX11::ServiceWhileModal() {
  if (!x_) return;
  X11ErrorTrap trap(x_->display);
  while (x_ && XPending(x_->display) > 0) {
    XEvent event;
    XNextEvent(x_->display, &event);
    HandleEvent(event);  // input is dropped while modalDepth_ > 0
  }
  Redraw();
}

void IGraphicsX11::CreateTextEntry(IControl&, const ITextStyle&, const IBounds&, const char*,
                                   IParameter*) {}

namespace {

// The dialog's answer as a file and folder, as typed: the plug-in completes the name (only it
// knows whether a completed name would replace a file nobody offered to replace); anything
// that is not an absolute path in an existing folder (and, when
// opening, an existing file) counts as cancelled.
void AcceptChosenPath(const ProcessResult& result, int mode, std::string& file,
                      std::string& directory) {
  std::string path = result.started && result.exitCode == 0 ? FirstLine(result.output) : "";
  const std::string folder = FolderOf(path);
  const bool acceptable = !path.empty() && path[0] == '/' && IsDirectory(folder) &&
                          (mode == IGraphics::kFileSave ? !IsDirectory(path) : IsRegularFile(path));
  if (!acceptable) {
    file.clear();
    return;
  }
  file = path;
  directory = folder;
}

// Where the dialog opens: the folder the caller names (the desktop when none is given), with
// the current file's name; a folder in that name would take the dialog elsewhere.
std::string DialogStart(const std::string& file, const std::string& directory) {
  const size_t slash = file.find_last_of('/');
  return directory + "/" + (slash == std::string::npos ? file : file.substr(slash + 1));
}

// What the editor calls files of the list's first extension ("Fluvia preset").
std::string TypeNameOf(const IGraphics& graphics, const std::string& extensions) {
  const std::vector<std::string> types = SplitFileExtensions(extensions);
  return types.empty() ? std::string() : graphics.FileTypeName(types[0]);
}

}  // namespace

void IGraphicsX11::ShowMissingDialogNotice() {
  ShowNotice(
      "Loading and saving presets needs a file dialog program.\n"
      "Please install zenity (or kdialog) and try again,\n"
      "for example: sudo apt install zenity");
}

void IGraphicsX11::PromptForFile(std::string& file, int mode, std::string& directory,
                                 const std::string& extensions) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!WindowIsOpen()) {
    file.clear();
    return;
  }
  if (directory.empty()) directory = DesktopPath();
  // There is no file dialog on plain X11: borrow the desktop's, or count it as cancelled.
  const DialogTool tool = FindDialogTool();
  if (tool == DialogTool::kNone) {
    ShowMissingDialogNotice();
    file.clear();
    return;
  }
  ReleaseCapture();
  ++modalDepth_;
  const ProcessResult result = RunProcess(
      FileDialogCommand(tool, mode, DialogStart(file, directory), extensions,
                        TypeNameOf(*this, extensions)),
      [this] { ServiceWhileModal(); });
  --modalDepth_;
  Invalidate(IBounds(0, 0, Width(), Height()));
  AcceptChosenPath(result, mode, file, directory);
}

void IGraphicsX11::BeginPromptForFile(const std::string& file, int mode,
                                      const std::string& directory,
                                      const std::string& extensions, FileDone done) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  FileResult cancelled;
  cancelled.directory = directory;
  if (!WindowIsOpen() || modalDepth_ > 0) {
    if (done) done(cancelled);
    return;
  }
  std::string start = directory.empty() ? DesktopPath() : directory;
  cancelled.directory = start;
  const DialogTool tool = FindDialogTool();
  if (tool == DialogTool::kNone) {
    ShowMissingDialogNotice();
    if (done) done(cancelled);
    return;
  }
  std::unique_ptr<ChildProcess> chooser =
      ChildProcess::Start(FileDialogCommand(tool, mode, DialogStart(file, start), extensions,
                                            TypeNameOf(*this, extensions)));
  if (!chooser) {
    if (done) done(cancelled);
    return;
  }
  ReleaseCapture();
  auto pending = std::make_unique<PendingFilePrompt>();
  pending->chooser = std::move(chooser);
  pending->mode = mode;
  pending->directory = start;
  pending->done = std::move(done);
  pendingFile_ = std::move(pending);
  // The editor keeps painting but takes no input until the dialog answers, as with a menu.
  ++modalDepth_;
}

void IGraphicsX11::PollFilePrompt() {
  if (pendingFile_ && pendingFile_->chooser->Poll()) FinishFilePrompt(false);
}

void IGraphicsX11::FinishFilePrompt(bool abandoned) {
  if (!pendingFile_) return;
  std::unique_ptr<PendingFilePrompt> pending = std::move(pendingFile_);
  FileResult answer;
  answer.directory = pending->directory;
  answer.abandoned = abandoned;
  if (!abandoned) {
    AcceptChosenPath(pending->chooser->Result(), pending->mode, answer.file, answer.directory);
  }
  pending->chooser.reset();  // a dialog still up is ended and reaped here
  --modalDepth_;
  Invalidate(IBounds(0, 0, Width(), Height()));
  if (pending->done && !(abandoned && destroying_)) pending->done(answer);
}

void IGraphicsX11::AbandonPrompts() {
  FinishMenu(true);
  FinishFilePrompt(true);
}

bool IGraphicsX11::PromptForColor(IArgbColor& color, const char* prompt) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!WindowIsOpen()) return false;
  const DialogTool tool = FindDialogTool();
  if (tool == DialogTool::kNone) return false;
  ReleaseCapture();
  ++modalDepth_;
  const ProcessResult result =
      RunProcess(ColorDialogCommand(tool, color, prompt), [this] { ServiceWhileModal(); });
  --modalDepth_;
  Invalidate(IBounds(0, 0, Width(), Height()));
  IArgbColor chosen = color;
  if (!result.started || result.exitCode != 0 || !ParseColorAnswer(result.output, chosen)) {
    return false;
  }
  color.r = chosen.r;
  color.g = chosen.g;
  color.b = chosen.b;
  return true;
}

int IGraphicsX11::ShowMessageBox(const char* text, const char* caption, int type) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  const DialogTool tool = FindDialogTool();
  if (tool == DialogTool::kNone) {
    // No dialog program: the editor shows the message itself, and a question counts as
    // declined, since nobody could answer it.
    if (WindowIsOpen()) {
      ShowNotice(text ? text : "");
    }
    return MessageBoxAnswer(type, ProcessResult{});
  }
  ReleaseCapture();
  ++modalDepth_;
  const ProcessResult result = RunProcess(MessageBoxCommand(tool, text, caption, type),
                                          [this] { ServiceWhileModal(); });
  --modalDepth_;
  Invalidate(IBounds(0, 0, Width(), Height()));
  return MessageBoxAnswer(type, result);
}

bool IGraphicsX11::OpenURL(const char* url, const char* title, const char* confirmText,
                           const char* errorText) {
  if (confirmText && *confirmText && ShowMessageBox(confirmText, title, kYesNo) != kIdYes) {
    return false;
  }
  if (url && *url) {
    const ProcessResult result = RunProcess({"xdg-open", url});
    if (result.started && result.exitCode == 0) return true;
  }
  if (errorText && *errorText) ShowMessageBox(errorText, title, 0);
  return false;
}

// ---- Clipboard and cursor ---------------------------------------------------------------------

bool IGraphicsX11::GetClipboardText(std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  text.clear();
  if (!WindowIsOpen()) return false;
  Display* display = x_->display;
  X11ErrorTrap trap(display);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom property = XInternAtom(display, "FLUVIA_CLIPBOARD", False);
  if (XGetSelectionOwner(display, clipboard) == None) return false;
  XDeleteProperty(display, x_->window, property);
  XConvertSelection(display, clipboard, utf8, property, x_->window, CurrentTime);
  XFlush(display);

  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kClipboardWaitMs);
  XEvent event;
  bool answered = false;
  while (!answered && std::chrono::steady_clock::now() < deadline) {
    if (XCheckTypedWindowEvent(display, x_->window, SelectionNotify, &event)) {
      answered = true;
      break;
    }
    pollfd fd{ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, 10);
  }
  if (!answered || event.xselection.property == None) return false;

  Atom type = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  // Large transfers come in increments (type INCR), which a value prompt never needs.
  const int status = XGetWindowProperty(display, x_->window, property, 0, 1 << 20, True,
                                        AnyPropertyType, &type, &format, &count, &remaining,
                                        &data);
  const bool ok = status == Success && data && format == 8 && (type == utf8 || type == XA_STRING);
  if (ok) text.assign(reinterpret_cast<const char*>(data), count);
  if (data) XFree(data);
  return ok;
}

void IGraphicsX11::HideMouseCursor() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (HasCursorHidden() || !WindowIsOpen()) return;
  Display* display = x_->display;
  X11ErrorTrap trap(display);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, winX = 0, winY = 0;
  unsigned mask = 0;
  if (!XQueryPointer(display, x_->window, &root, &child, &rootX, &rootY, &winX, &winY, &mask)) {
    return;
  }
  if (!x_->blankCursor) {
    static const char kEmpty[1] = {0};
    const Pixmap blank = XCreateBitmapFromData(display, x_->window, kEmpty, 1, 1);
    XColor black{};
    x_->blankCursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
  }
  XDefineCursor(display, x_->window, x_->blankCursor);
  XFlush(display);
  SetSavedCursor(rootX, rootY);
  SetCursorHidden(true);
}

void IGraphicsX11::ShowMouseCursor() {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (!HasCursorHidden()) return;
  SetCursorHidden(false);
  if (!WindowIsOpen()) return;
  Display* display = x_->display;
  X11ErrorTrap trap(display);
  XWarpPointer(display, None, RootWindow(display, x_->screen), 0, 0, 0, 0, SavedCursorX(),
               SavedCursorY());
  XUndefineCursor(display, x_->window);
  // Wait for the server: the pointer is back where it was once this returns, also for other
  // clients (the host) that ask for it right after.
  XSync(display, False);
}

// ---- Paths and images -------------------------------------------------------------------------

std::string IGraphicsX11::HostPath() { return ExecutableFolder(); }
std::string IGraphicsX11::PluginPath() { return ModuleFolderOf(&kModuleAnchor); }
std::string IGraphicsX11::DesktopPath() { return DesktopFolder(); }
std::string IGraphicsX11::AppSupportPath(bool system) { return DataFolder(system); }

bool IGraphicsX11::WorkAreaSize(int& width, int& height) {
  std::lock_guard<std::recursive_mutex> guard(Lock());
  if (WindowIsOpen()) return X11WorkArea(x_->display, width, height);
  EnsureXThreads();
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  const bool known = X11WorkArea(display, width, height);
  XCloseDisplay(display);
  return known;
}

bool IGraphicsX11::ImageResourceSize(int id, const char* fileName, int& width, int& height) {
  return HasPngExtension(fileName) && PngResourceSize(Artwork(), id, width, height);
}

std::unique_ptr<PixBitmap> IGraphicsX11::LoadImageResource(int id, const char* fileName) {
  if (!HasPngExtension(fileName)) return nullptr;
  return std::unique_ptr<PixBitmap>(LoadPngResource(Artwork(), id));
}

}  // namespace fluvia
