#include "graphics/headless/graphics_headless.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "framework/parameter.h"
#include "graphics/control.h"
#include "graphics/editor_size.h"
#include "graphics/file_checks.h"
#include "graphics/image_names.h"
#include "graphics/headless/png_writer.h"
#include "graphics/key_codes.h"
#include "graphics/pix/pix_bitmap.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_png.h"
#include "graphics/text_entry_rules.h"

namespace fluvia {
namespace {

// Editors with doctored artwork must not share cache entries with real ones (or each other).
// Each such editor takes two sources, one per artwork set.
int UniqueImageSource() {
  static std::atomic<int> next{1000};
  return next += 2;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/tmp";
}

constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kYesNo = 4;

}  // namespace

IGraphicsHeadless::IGraphicsHeadless(IPluginCore& plugin, ArtworkSet set, HeadlessOptions options)
    : IGraphics(plugin, EditorSizeFor(set).width, EditorSizeFor(set).height, kEditorFrameRate),
      options_(std::move(options)),
      imageSourceBase_(options_.imageOverrides.empty() && options_.missingImages.empty()
                           ? 0
                           : UniqueImageSource()) {
  SetArtwork(set);
}

IGraphicsHeadless::~IGraphicsHeadless() { CloseWindow(); }

// ---- Scripted input ---------------------------------------------------------------------------

void IGraphicsHeadless::MouseDown(int x, int y, const IMouseKeys& keys) {
  cursorX_ = x, cursorY_ = y;
  if (textEntry_) {
    // A click right after the entry took the focus abandons it; a later one commits it.
    textEntry_->state = TextEntryStateAfterClick(textEntry_->state);
    return;
  }
  hostCapture_ = true;
  OnMouseDown(x, y, keys);
}

void IGraphicsHeadless::MouseUp(int x, int y, const IMouseKeys& keys) {
  cursorX_ = x, cursorY_ = y;
  hostCapture_ = false;
  OnMouseUp(x, y, keys);
}

void IGraphicsHeadless::MouseMove(int x, int y, const IMouseKeys& keys) {
  cursorX_ = x, cursorY_ = y;
  if (keys.left || keys.right) {
    if (hostCapture_ && !textEntry_ && MouseCapture() >= 0 &&
        (x != LastMouseX() || y != LastMouseY())) {
      OnMouseDrag(x, y, x - LastMouseX(), y - LastMouseY(), keys);
    }
    return;
  }
  OnMouseOver(x, y, keys);
}

void IGraphicsHeadless::DoubleClick(int x, int y, const IMouseKeys& keys) {
  cursorX_ = x, cursorY_ = y;
  if (OnMouseDblClick(x, y, keys)) hostCapture_ = true;
}

void IGraphicsHeadless::MouseWheel(int x, int y, int wheelDelta, const IMouseKeys& keys) {
  if (textEntry_) {
    textEntry_->state = kTextEntryCancel;
    return;
  }
  OnMouseWheel(x, y, keys, wheelDelta / 120);
}

void IGraphicsHeadless::MouseLeave() { OnMouseOut(); }

bool IGraphicsHeadless::KeyDown(int x, int y, int keyValue) {
  const int code = KeyCodeFromVirtualKey(keyValue);
  const bool taken = code >= 0 && OnKeyDown(x, y, code);
  if (!taken) forwardedKeys_.push_back(keyValue);
  return taken;
}

void IGraphicsHeadless::Click(int x, int y, const IMouseKeys& keys) {
  MouseMove(x, y);  // the pointer gets there first, as a person's does
  MouseDown(x, y, keys);
  MouseUp(x, y, keys);
}

void IGraphicsHeadless::Drag(int x0, int y0, int x1, int y1, int steps, const IMouseKeys& keys) {
  if (steps < 1) steps = 1;
  MouseMove(x0, y0);
  MouseDown(x0, y0, keys);
  for (int i = 1; i <= steps; ++i) {
    MouseMove(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, keys);
  }
  MouseUp(x1, y1, keys);
}

// ---- Timer ------------------------------------------------------------------------------------

bool IGraphicsHeadless::TickTextEntry() {
  if (!textEntry_) return false;
  TextEntry& entry = *textEntry_;
  const TextEntryTick tick = TextEntryTickFor(entry.state);
  if (tick == TextEntryTick::None) return false;
  if (tick == TextEntryTick::Settle) {
    entry.state = kTextEntryIdle;
    return true;
  }
  if (tick == TextEntryTick::Commit) {
    const std::string text = entry.text.substr(0, kTextEntryMaxChars);
    // The entry goes first: committing may open another prompt.
    std::unique_ptr<TextEntry> done = std::move(textEntry_);
    CommitTextEntry(*done->control, done->param, text.c_str());
    return true;
  }
  textEntry_.reset();  // cancel
  return true;
}

bool IGraphicsHeadless::Tick() {
  if (!open_) return false;  // the timer lives with the window
  if (TickTextEntry()) return false;
  IBounds dirty;
  const bool anyDirty = IsDirty(dirty);
  const IBounds region = dirty.Union(invalid_);
  invalid_ = IBounds();
  if (!anyDirty && region.Empty()) return false;
  Draw(region);
  if (textEntry_) textEntry_->state = kTextEntryRepainted;
  return true;
}

// ---- Queued answers ---------------------------------------------------------------------------

void IGraphicsHeadless::QueueMenuChoice(std::vector<int> path, int index) {
  menuAnswers_.push_back({false, std::move(path), index});
}
void IGraphicsHeadless::QueueMenuDismiss() { menuAnswers_.push_back({true, {}, -1}); }
void IGraphicsHeadless::QueueFileChoice(const std::string& path) {
  fileAnswers_.push_back({false, path});
}
void IGraphicsHeadless::QueueFileCancel() { fileAnswers_.push_back({true, {}}); }
void IGraphicsHeadless::QueueColorChoice(const IArgbColor& color) {
  colorAnswers_.push_back({false, color});
}
void IGraphicsHeadless::QueueColorCancel() { colorAnswers_.push_back({true, {}}); }
void IGraphicsHeadless::QueueMessageBoxAnswer(int answer) { messageBoxAnswers_.push_back(answer); }

// ---- Text entry -------------------------------------------------------------------------------

void IGraphicsHeadless::TypeText(const char* text) {
  if (!textEntry_ || !text) return;
  TextEntry& entry = *textEntry_;
  const int limit = entry.control ? entry.control->TextEntryLength() : kTextEntryMaxChars;
  for (const char* c = text; *c; ++c) {
    if (!TextEntryAcceptsChar(entry.param, *c)) continue;
    // The entry opens with its text selected: the first key replaces (or deletes) it.
    if (entry.allSelected) {
      entry.allSelected = false;
      entry.text.clear();
      if (*c == '\b') continue;
    }
    if (*c == '\b') {
      if (!entry.text.empty()) entry.text.pop_back();
    } else if (int(entry.text.size()) < limit) {
      entry.text += *c;
    }
  }
}

void IGraphicsHeadless::PressEnter() {
  if (textEntry_) textEntry_->state = kTextEntryCommit;
}

void IGraphicsHeadless::PressEscape() {
  if (textEntry_) textEntry_->state = kTextEntryCancel;
}

// ---- Window host operations -------------------------------------------------------------------

bool IGraphicsHeadless::DrawScreen(const IBounds& region) {
  ++screenUpdates_;
  lastScreenRegion_ = region;
  return true;
}

bool IGraphicsHeadless::MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) {
  return DrawIText(style, text, rect, true);
}

void IGraphicsHeadless::CancelTextEntry() {
  if (textEntry_) textEntry_->state = kTextEntryCancel;
}

void IGraphicsHeadless::Resize(int width, int height) {
  if (width == Width() && height == Height()) return;
  ResizeGraphics(width, height);
  Invalidate(IBounds(0, 0, Width(), Height()));
}

int IGraphicsHeadless::ShowMessageBox(const char* text, const char* caption, int type) {
  messageBoxes_.push_back({text ? text : "", caption ? caption : "", type});
  if (messageBoxAnswers_.empty()) return kIdOk;
  const int answer = messageBoxAnswers_.front();
  messageBoxAnswers_.pop_front();
  return answer;
}

IMenuList* IGraphicsHeadless::CreateIPopupMenu(IMenuList& menu, const IBounds& rect) {
  if (!open_) return nullptr;
  ResetMouseState();
  MenuPrompt prompt{&menu, rect, {}};
  for (int i = 0; i < menu.NumItems(); ++i) prompt.texts.push_back(menu.DisplayText(i));
  menuPrompts_.push_back(std::move(prompt));
  if (timerDuringDialogs_) Tick();

  IMenuList* chosen = nullptr;
  if (!menuAnswers_.empty()) {
    const MenuAnswer answer = menuAnswers_.front();
    menuAnswers_.pop_front();
    IMenuList* list = answer.dismiss ? nullptr : &menu;
    for (int step : answer.path) {
      const IMenuEntry* entry = list ? list->Item(step) : nullptr;
      list = entry ? entry->subMenu : nullptr;
    }
    const IMenuEntry* entry = list ? list->Item(answer.index) : nullptr;
    if (entry && entry->Choosable()) {
      list->chosenIndex = answer.index;
      chosen = list;
    }
  }
  // The menu covered part of the editor.
  Invalidate(IBounds(0, 0, Width(), Height()));
  return chosen;
}

void IGraphicsHeadless::CreateTextEntry(IControl& control, const ITextStyle& style,
                                        const IBounds& rect, const char* text,
                                        IParameter* param) {
  if (textEntry_ || !open_) return;
  // It takes the focus as it is made.
  textEntry_.reset(
      new TextEntry{&control, param, style, rect, text ? text : "", kTextEntryFocused, true});
  textEntryRects_.push_back(rect);
}

std::string IGraphicsHeadless::DesktopPath() {
  return options_.desktopPath.empty() ? HomeFolder() + "/Desktop" : options_.desktopPath;
}

std::string IGraphicsHeadless::AppSupportPath(bool system) {
  if (system) return "/usr/local/share";
  const char* data = std::getenv("XDG_DATA_HOME");
  return data && *data ? data : HomeFolder() + "/.local/share";
}

void IGraphicsHeadless::PromptForFile(std::string& file, int mode, std::string& directory,
                                      const std::string& extensions) {
  if (!open_) {
    file.clear();
    return;
  }
  if (directory.empty()) directory = DesktopPath();
  filePrompts_.push_back({file, mode, directory, extensions});
  if (timerDuringDialogs_) Tick();

  FileAnswer answer{true, {}};
  if (!fileAnswers_.empty()) {
    answer = fileAnswers_.front();
    fileAnswers_.pop_front();
  }
  std::string path = answer.path;
  const std::string folder = FolderOf(path);
  const bool acceptable = !answer.cancel && !path.empty() &&
                          (folder.empty() || IsDirectory(folder)) &&
                          (mode == kFileSave || IsRegularFile(path));
  if (!acceptable) {
    file.clear();
    return;
  }
  file = path;
  directory = folder;
}

bool IGraphicsHeadless::PromptForColor(IArgbColor& color, const char* prompt) {
  if (!open_) return false;
  colorPrompts_.push_back(prompt ? prompt : "");
  if (colorAnswers_.empty()) return false;
  const ColorAnswer answer = colorAnswers_.front();
  colorAnswers_.pop_front();
  if (answer.cancel) return false;
  color.r = answer.color.r;
  color.g = answer.color.g;
  color.b = answer.color.b;
  return true;
}

bool IGraphicsHeadless::OpenURL(const char* url, const char* title, const char* confirmText,
                                const char* errorText) {
  if (confirmText && *confirmText && ShowMessageBox(confirmText, title, kYesNo) != kIdYes) {
    return false;
  }
  if (urlOpens_ && url) {
    openedUrls_.push_back(url);
    return true;
  }
  if (errorText && *errorText) ShowMessageBox(errorText, title, 0);
  return false;
}

void* IGraphicsHeadless::OpenWindow(void* parent) {
  if (open_) CloseWindow();
  open_ = true;
  parent_ = parent;
  // The new window shows everything on the first timer tick.
  SetAllControlsDirty();
  return &windowToken_;
}

void IGraphicsHeadless::CloseWindow() {
  textEntry_.reset();  // the entry is a child of the window
  hostCapture_ = false;
  open_ = false;
}

bool IGraphicsHeadless::GetClipboardText(std::string& text) {
  text = clipboard_;
  return !text.empty();
}

void IGraphicsHeadless::HideMouseCursor() {
  if (HasCursorHidden()) return;
  SetSavedCursor(cursorX_, cursorY_);
  SetCursorHidden(true);
}

void IGraphicsHeadless::ShowMouseCursor() {
  if (!HasCursorHidden()) return;
  cursorX_ = SavedCursorX();
  cursorY_ = SavedCursorY();
  SetCursorHidden(false);
}

bool IGraphicsHeadless::ImageResourceSize(int id, const char* fileName, int& width,
                                          int& height) {
  if (!HasPngExtension(fileName) || options_.missingImages.count(id)) return false;
  const auto replaced = options_.imageOverrides.find(id);
  if (replaced != options_.imageOverrides.end()) {
    const std::vector<unsigned char>& bytes = replaced->second;
    return PixPngSize(bytes.data(), bytes.size(), width, height);
  }
  return PngResourceSize(Artwork(), id, width, height);
}

bool IGraphicsHeadless::WorkAreaSize(int& width, int& height) {
  if (options_.workAreaWidth <= 0 || options_.workAreaHeight <= 0) return false;
  width = options_.workAreaWidth;
  height = options_.workAreaHeight;
  return true;
}

std::unique_ptr<PixBitmap> IGraphicsHeadless::LoadImageResource(int id, const char* fileName) {
  if (!HasPngExtension(fileName)) return nullptr;
  if (options_.missingImages.count(id)) return nullptr;
  const auto replaced = options_.imageOverrides.find(id);
  if (replaced != options_.imageOverrides.end()) {
    const std::vector<unsigned char>& bytes = replaced->second;
    return std::unique_ptr<PixBitmap>(PixLoadPngFromMemory(bytes.data(), bytes.size()));
  }
  return std::unique_ptr<PixBitmap>(LoadPngResource(Artwork(), id));
}

bool IGraphicsHeadless::SaveSurfacePng(const std::string& path) const {
  const PixBitmap* surface = DrawSurface();
  return surface && WritePngRgb(path, *surface);
}

}  // namespace fluvia
