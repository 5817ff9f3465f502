#pragma once
// IGraphicsHeadless: a window host without a display. It draws into memory and answers every
// platform operation from scripts a test or tool sets up: mouse and key events go in through
// the methods below, popup menus, file dialogs, colour dialogs and message boxes take their
// answers from queues (an empty queue means the user dismissed or cancelled), every prompt is
// recorded with its arguments, and the redraw timer fires when Tick() is called.
//
// The event methods follow what a desktop window does with its messages: the host captures the
// mouse on a press, sends drags only while it holds the capture and the pointer moved, turns
// wheel units into whole notches (120 per notch) and maps key values to key codes, passing
// keys the editor does not take on to the host window.

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

struct HeadlessOptions {
  // Image payloads to use instead of the embedded artwork (for damaged-image tests).
  std::map<int, std::vector<unsigned char>> imageOverrides;
  // Images to report as absent.
  std::set<int> missingImages;
  // Answers for the path operations.
  std::string hostPath = "/tmp/fluvia-host/";
  std::string pluginPath = "/tmp/fluvia-plugin/";
  std::string desktopPath;  // empty: $HOME/Desktop
  // The screen's work area the host reports; 0 x 0: the host cannot tell.
  int workAreaWidth = 0;
  int workAreaHeight = 0;
};

class IGraphicsHeadless : public IGraphics {
 public:
  struct MenuPrompt {
    const IMenuList* menu;
    IBounds rect;
    std::vector<std::string> texts;  // the root list as shown, numbering applied
  };
  struct FilePrompt {
    std::string file;  // the pre-filled name
    int mode;
    std::string directory;  // where the dialog starts
    std::string extensions;
  };
  struct TextEntry {
    IControl* control;
    IParameter* param;
    ITextStyle style;
    IBounds rect;
    std::string text;
    int state;  // a TextEntryState: 0 idle, 1 just focused, 2 repainted around, 3 cancel, 4 commit
    bool allSelected;  // the text is selected, as when the entry opens
  };
  struct MessageBoxPrompt {
    std::string text;
    std::string caption;
    int type;
  };

  IGraphicsHeadless(IPluginCore& plugin, ArtworkSet set, HeadlessOptions options = {});
  ~IGraphicsHeadless() override;

  // ---- Scripted input ---------------------------------------------------------------------
  void MouseDown(int x, int y, const IMouseKeys& keys = LeftButton());
  void MouseUp(int x, int y, const IMouseKeys& keys = LeftButton());
  // A pointer move; with a button held it is a drag.
  void MouseMove(int x, int y, const IMouseKeys& keys = IMouseKeys());
  void DoubleClick(int x, int y, const IMouseKeys& keys = LeftButton());
  // Wheel movement in the platform's units, 120 per notch.
  void MouseWheel(int x, int y, int wheelDelta, const IMouseKeys& keys = IMouseKeys());
  void MouseLeave();
  // A key press by key value (the letter's ASCII code, 32 space, 37-40 arrows). Returns
  // whether the editor took it; untaken keys are recorded as forwarded to the host window.
  bool KeyDown(int x, int y, int keyValue);
  // Move there, press, then release at the same place.
  void Click(int x, int y, const IMouseKeys& keys = LeftButton());
  // Move to (x0, y0), press, move in `steps` equal moves to (x1, y1), release there.
  void Drag(int x0, int y0, int x1, int y1, int steps = 4, const IMouseKeys& keys = LeftButton());

  static IMouseKeys LeftButton() { IMouseKeys k; k.left = true; return k; }
  static IMouseKeys RightButton() { IMouseKeys k; k.right = true; return k; }

  // One firing of the redraw timer: text entry housekeeping, or draw what is dirty (and what
  // a menu or resize invalidated). Returns whether anything was drawn.
  bool Tick();
  int TimerPeriodMs() const { return 1000 / FrameRate(); }

  // ---- Answers for modal prompts ----------------------------------------------------------
  // Choose entry `index` of the list reached from the root through the sub-menus of the
  // entries named by `path` ({} is the root list). An answer naming something that cannot be
  // chosen (a sub-menu caption, a greyed entry, nothing) dismisses the menu.
  void QueueMenuChoice(std::vector<int> path, int index);
  void QueueMenuDismiss();
  // A path typed or picked in the file dialog. In open mode the file must exist, in either
  // mode its folder must; a save name comes back as typed. An answer the dialog would refuse
  // counts as cancel.
  void QueueFileChoice(const std::string& path);
  void QueueFileCancel();
  void QueueColorChoice(const IArgbColor& color);
  void QueueColorCancel();
  void QueueMessageBoxAnswer(int answer);
  void SetClipboardText(const std::string& text) { clipboard_ = text; }
  // Fire the timer once while each file dialog or menu is up, as a desktop's modal loop does.
  void RunTimerDuringDialogs(bool on) { timerDuringDialogs_ = on; }
  void SetUrlOpens(bool opens) { urlOpens_ = opens; }

  // ---- Text entry -------------------------------------------------------------------------
  TextEntry* ActiveTextEntry() { return textEntry_.get(); }
  // Types characters into the open entry the way a user would: refused characters and
  // characters beyond the control's entry length are dropped.
  void TypeText(const char* text);
  void PressEnter();
  void PressEscape();

  // ---- What the editor asked for -----------------------------------------------------------
  const std::vector<MenuPrompt>& MenuPrompts() const { return menuPrompts_; }
  const std::vector<FilePrompt>& FilePrompts() const { return filePrompts_; }
  const std::vector<MessageBoxPrompt>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<std::string>& ColorPrompts() const { return colorPrompts_; }
  const std::vector<std::string>& OpenedUrls() const { return openedUrls_; }
  const std::vector<IBounds>& TextEntryRects() const { return textEntryRects_; }
  const std::vector<int>& ForwardedKeys() const { return forwardedKeys_; }
  int ScreenUpdates() const { return screenUpdates_; }
  const IBounds& LastScreenRegion() const { return lastScreenRegion_; }
  bool HasMouseCapture() const { return hostCapture_; }
  bool CursorHidden() const { return HasCursorHidden(); }
  void* Parent() const { return parent_; }

  // Writes the back buffer (what the editor shows) as an RGB PNG file.
  bool SaveSurfacePng(const std::string& path) const;

  // ---- Window host operations ---------------------------------------------------------------
  bool DrawScreen(const IBounds& region) override;
  bool MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) override;
  void CancelTextEntry() override;
  void Resize(int width, int height) override;
  bool WindowIsOpen() const override { return open_; }
  const char* GetDrawingApiName() override { return "Headless"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IMenuList* CreateIPopupMenu(IMenuList& menu, const IBounds& rect) override;
  void CreateTextEntry(IControl& control, const ITextStyle& style, const IBounds& rect,
                       const char* text, IParameter* param) override;
  std::string HostPath() override { return options_.hostPath; }
  std::string PluginPath() override { return options_.pluginPath; }
  std::string DesktopPath() override;
  std::string AppSupportPath(bool system) override;
  std::string UserDataPath() override { return AppSupportPath(false); }
  void PromptForFile(std::string& file, int mode, std::string& directory,
                     const std::string& extensions) override;
  bool PromptForColor(IArgbColor& color, const char* prompt) override;
  bool OpenURL(const char* url, const char* title, const char* confirmText,
               const char* errorText) override;
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindowHandle() override { return open_ ? &windowToken_ : nullptr; }
  bool GetClipboardText(std::string& text) override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  std::unique_ptr<PixBitmap> LoadImageResource(int id, const char* fileName) override;
  int ImageSource() const override { return imageSourceBase_ + static_cast<int>(Artwork()); }
  bool ImageResourceSize(int id, const char* fileName, int& width, int& height) override;
  bool WorkAreaSize(int& width, int& height) override;


 private:
  struct MenuAnswer {
    bool dismiss;
    std::vector<int> path;
    int index;
  };
  struct FileAnswer {
    bool cancel;
    std::string path;
  };
  struct ColorAnswer {
    bool cancel;
    IArgbColor color;
  };

  void Invalidate(const IBounds& rect) { invalid_ = invalid_.Union(rect); }
  bool TickTextEntry();

  HeadlessOptions options_;
  int imageSourceBase_;
  bool open_ = false;
  int windowToken_ = 0;
  void* parent_ = nullptr;
  bool hostCapture_ = false;
  IBounds invalid_;
  int screenUpdates_ = 0;
  IBounds lastScreenRegion_;
  int cursorX_ = 0;
  int cursorY_ = 0;
  std::string clipboard_;
  bool urlOpens_ = false;
  bool timerDuringDialogs_ = false;

  std::deque<MenuAnswer> menuAnswers_;
  std::deque<FileAnswer> fileAnswers_;
  std::deque<ColorAnswer> colorAnswers_;
  std::deque<int> messageBoxAnswers_;
  std::unique_ptr<TextEntry> textEntry_;

  std::vector<MenuPrompt> menuPrompts_;
  std::vector<FilePrompt> filePrompts_;
  std::vector<MessageBoxPrompt> messageBoxes_;
  std::vector<std::string> colorPrompts_;
  std::vector<std::string> openedUrls_;
  std::vector<IBounds> textEntryRects_;
  std::vector<int> forwardedKeys_;
};

}  // namespace fluvia
