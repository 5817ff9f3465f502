#pragma once
// IGraphicsWin: the editor's window host on Windows. The editor is a child window of class
// "IPluginWndClass" inside the host's window; a window timer of the UI thread (40 ms at 25
// frames per second) polls the controls for what to redraw, and the window procedure turns
// mouse and key messages into editor events. Popup menus, dialogs and message boxes are the
// system's own and modal, as Windows users expect of them.
//
// Everything runs on the thread that owns the host's window.

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/graphics.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

struct WinWindowState;

class IGraphicsWin : public IGraphics {
 public:
  // module: the plug-in module that registers the window class and carries the images (null:
  // the module this code is linked into).
  IGraphicsWin(IPluginCore& plugin, ArtworkSet set, void* module = nullptr);
  ~IGraphicsWin() override;

  ArtworkSet Artwork() const { return set_; }
  // The redraw timer's identifier and period.
  static constexpr unsigned kTimerId = 2;
  int TimerPeriodMs() const { return 1000 / FrameRate(); }

  // ---- Window host operations ------------------------------------------------------------
  bool DrawScreen(const IBounds& region) override;
  bool MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) override;
  void CancelTextEntry() override;
  void Resize(int width, int height) override;
  bool WindowIsOpen() const override;
  const char* GetDrawingApiName() override { return "Windows GDI"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IMenuList* CreateIPopupMenu(IMenuList& menu, const IBounds& rect) override;
  void CreateTextEntry(IControl& control, const ITextStyle& style, const IBounds& rect,
                       const char* text, IParameter* param) override;
  std::string HostPath() override;
  std::string PluginPath() override;
  std::string DesktopPath() override;
  std::string AppSupportPath(bool system) override;
  std::string UserDataPath() override { return AppSupportPath(false); }
  void PromptForFile(std::string& file, int mode, std::string& directory,
                     const std::string& extensions) override;
  bool PromptForColor(IArgbColor& color, const char* prompt) override;
  bool OpenURL(const char* url, const char* title, const char* confirmText,
               const char* errorText) override;
  // parent: the host's HWND. Returns the editor's HWND, or null when it cannot be created.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindowHandle() override;
  bool GetClipboardText(std::string& text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  std::unique_ptr<PixBitmap> LoadImageResource(int id, const char* fileName) override;
  int ImageSource() const override { return static_cast<int>(set_); }
  // Read from the PNG header of the module's resource, so decoding waits for the first drawing.
  bool ImageResourceSize(int id, const char* fileName, int& width, int& height) override;

  // ---- Used by the window procedures (win_messages.cpp) ------------------------------------
  // Handles one message of the editor window; returns false to let the default procedure
  // have it.
  bool HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                     std::intptr_t& result);
  // One message of the subclassed text entry box.
  std::intptr_t HandleTextEntryMessage(void* window, unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam);
  void OnWindowCreated(void* window);

 private:
  void OnTimer();
  bool TickTextEntry();
  void DestroyTextEntry();
  void HideTooltip();
  void* MainWindow();

  ArtworkSet set_;
  std::unique_ptr<WinWindowState> w_;
};

}  // namespace fluvia
