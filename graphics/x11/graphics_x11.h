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
// Popup menus, file dialogs and message boxes are modal, like their Windows counterparts:
// they run a local loop on the editor's connection (menus) or wait for an external dialog
// program, and keep the editor painted meanwhile.

#include <memory>
#include <string>

#include "graphics/graphics.h"
#include "graphics/pix/pix_image_resource.h"

union _XEvent;

namespace fluvia {

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
  ArtworkSet Artwork() const { return set_; }

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
  // Through zenity or kdialog when one is installed; without either the prompt counts as
  // cancelled (plain X11 has no file dialog of its own).
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
  int ImageSource() const override { return static_cast<int>(set_); }

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

  ArtworkSet set_;
  std::unique_ptr<X11WindowState> x_;
  int modalDepth_ = 0;
};

}  // namespace fluvia
