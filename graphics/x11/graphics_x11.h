#pragma once
// IGraphicsX11: the editor's window host on Linux. The editor is an X child window of the
// host's window (an X window id), on a Display connection of its own that is opened with the
// window and closed with it.
//
// Nothing here runs by itself: the plug-in's view must drive it from the host's run loop
// (Steinberg::Linux::IRunLoop in VST3), which calls back on the host's UI thread:
//   - register ConnectionFd() as an event handler that calls ProcessPendingEvents();
//   - register a timer of TimerPeriodMs() (40 ms) that calls OnTimer().
// A host without a run loop gets a window that shows its first picture and nothing more;
// there is deliberately no thread of our own, since touching X from a second thread is what
// makes such hosts crash. Every call must come from the thread that opened the window.
//
// The editor's own menus and file dialogs never hold up the host: BeginPopupMenu and
// BeginPromptForFile return at once, the menu runs on the events of the connection and the
// file dialog (an external program) is polled from the timer, and the answer is delivered from
// one of those run-loop callbacks. Closing the window closes a menu or ends a dialog program
// and abandons the prompt. The modal operations of the same names remain for callers that need
// an answer before going on (they run a local loop and keep the editor painted meanwhile).

#include <memory>
#include <string>

#include "graphics/graphics.h"
#include "graphics/pix/pix_image_resource.h"

union _XEvent;

namespace fluvia {

struct X11PopupContext;
struct X11WindowState;

class IGraphicsX11 : public IGraphics {
 public:
  IGraphicsX11(IPluginCore& plugin, ArtworkSet set);
  ~IGraphicsX11() override;

  // ---- Run-loop hooks --------------------------------------------------------------------
  // The X connection's file descriptor while the window is open, else -1.
  int ConnectionFd() const;
  // Handles every event already received or waiting on the connection; never blocks (apart
  // from the modal menus and dialogs an event may open).
  void ProcessPendingEvents();
  // The redraw tick: puts what became dirty (or was exposed) on screen.
  void OnTimer();
  int TimerPeriodMs() const { return 1000 / FrameRate(); }

  // The editor's X window id, 0 while closed.
  unsigned long XWindow() const;
  // The size of the host window the editor sits in; false while closed or when it is gone.
  bool ParentSize(int& width, int& height);
  // Tells the host the editor window's size once more, by a change of one pixel and back:
  // hosts that size their window from the editor window's configure events (XEmbed hosts such
  // as JUCE's) may have started listening only after the window took its size.
  void AnnounceSize();

  // ---- Window host operations ------------------------------------------------------------
  bool DrawScreen(const IBounds& region) override;
  bool MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) override;
  void CancelTextEntry() override {}
  void Resize(int width, int height) override;
  bool WindowIsOpen() const override;
  const char* GetDrawingApiName() override { return "X11"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IMenuList* CreateIPopupMenu(IMenuList& menu, const IBounds& rect) override;
  // Typed value entry is not offered on X11 (the editor's value prompts are off): nothing.
  void CreateTextEntry(IControl& control, const ITextStyle& style, const IBounds& rect,
                       const char* text, IParameter* param) override;
  std::string HostPath() override;
  std::string PluginPath() override;
  std::string DesktopPath() override;
  std::string AppSupportPath(bool system) override;
  std::string UserDataPath() override { return AppSupportPath(false); }
  // Through zenity or kdialog when one is installed. Plain X11 has no file dialog of its own:
  // without either the prompt counts as cancelled and the editor tells the person what to
  // install.
  void BeginPopupMenu(IMenuList& menu, const IBounds& rect, MenuDone done) override;
  void BeginPromptForFile(const std::string& file, int mode, const std::string& directory,
                          const std::string& extensions, FileDone done) override;
  void PromptForFile(std::string& file, int mode, std::string& directory,
                     const std::string& extensions) override;
  bool PromptForColor(IArgbColor& color, const char* prompt) override;
  // Hands the address to xdg-open.
  bool OpenURL(const char* url, const char* title, const char* confirmText,
               const char* errorText) override;
  // `parent` is the host's X window id. Returns the editor's window id (as a pointer), or
  // null when the display or the parent cannot be used.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindowHandle() override;
  // The CLIPBOARD selection as UTF-8 (waits up to half a second for its owner).
  bool GetClipboardText(std::string& text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  std::unique_ptr<PixBitmap> LoadImageResource(int id, const char* fileName) override;
  int ImageSource() const override { return static_cast<int>(Artwork()); }
  bool ImageResourceSize(int id, const char* fileName, int& width, int& height) override;
  // Asks the X server (through the editor's connection, or a short one of its own while the
  // window is closed).
  bool WorkAreaSize(int& width, int& height) override;

 private:
  void HandleEvent(union _XEvent& event);
  void HandleButtonPress(union _XEvent& event);
  void HandleButtonRelease(union _XEvent& event);
  void HandleMotion(union _XEvent& event);
  void HandleKey(union _XEvent& event);
  void ForwardToHost(union _XEvent& event);
  // Draws what is dirty or was invalidated.
  void Redraw();
  // While a modal prompt is up: keep painting, drop input.
  void ServiceWhileModal();
  void ReleaseCapture();
  void Invalidate(const IBounds& rect);
  void DestroyWindowState();
  // The popup context for the open window.
  X11PopupContext PopupContext(const IBounds& rect, int& rootX, int& rootY);
  // Prompts answered from the run loop. Finishing takes the prompt off before calling its
  // completion, which may open the next one.
  void FinishMenu(bool abandoned);
  // An open menu takes its own windows' events and all input; true when it took this one.
  bool OfferToMenu(union _XEvent& event);
  void PollFilePrompt();
  void FinishFilePrompt(bool abandoned);
  // The window is closing: abandon what is open, telling the callers unless the editor itself
  // is being destroyed.
  void AbandonPrompts();
  // Tells the person in the editor that no file dialog program is installed.
  void ShowMissingDialogNotice();

  struct PendingMenu;
  struct PendingFilePrompt;

  std::unique_ptr<X11WindowState> x_;
  int modalDepth_ = 0;
  std::unique_ptr<PendingMenu> pendingMenu_;
  std::unique_ptr<PendingFilePrompt> pendingFile_;
  bool destroying_ = false;
};

}  // namespace fluvia
