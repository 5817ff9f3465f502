#pragma once
// IGraphics: the platform-independent editor of one plug-in instance. It owns the ordered
// control list (the index is a control's identity; later controls lie on top), the back
// buffer the controls draw into, the mouse capture and mouse-over state, and the link between
// controls and the plug-in's parameters. What is redrawn is decided by polling the controls'
// dirty flags from the window host's timer; events go to the topmost control under the
// pointer.
//
// Everything that needs the operating system is a virtual operation implemented by a window
// host (X11, Win32, or the in-memory host for tests and tools). Their order below is fixed;
// the reserved slots keep it when a platform has nothing to put there.
//
// Threads: events, drawing and the window operations run on the editor's window thread. The
// plug-in may report parameter changes from any thread; those never wait for the editor (see
// SetParameterFromPlug), and the audio thread's never touch the editor's lock at all.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/editor_link.h"
#include "graphics/bounds.h"
#include "graphics/draw_records.h"
#include "graphics/menu_list.h"
#include "graphics/pix/pix_image_resource.h"

namespace fluvia {

class IControl;
class IParameter;
class IPluginCore;
class PixBitmap;
class PixMemBitmap;

class IGraphics : public IEditorLink {
 public:
  static constexpr int kDefaultFrameRate = 25;
  enum FileMode : int { kFileOpen = 0, kFileSave = 1 };

  IGraphics(IPluginCore& plugin, int width, int height, int frameRate = kDefaultFrameRate);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Plug-in side (IEditorLink) ----------------------------------------------------------
  // Updates every control bound to the parameter (and auxiliary bindings). Real values are
  // mapped to 0..1 first. Called from any thread: the value is parked in the parameter's slot
  // (the latest one wins) and applied at once when the editor's lock is free, otherwise at the
  // editor's next event or timer tick, so a plug-in thread holding the instance mutex never
  // waits for the editor (which may be waiting for that mutex). On the audio thread it acts
  // as PostParameterFromPlug.
  void SetParameterFromPlug(int index, double value, bool normalised) override;
  // Only parks the value: wait-free, allocation-free, no lock (the audio thread's way).
  void PostParameterFromPlug(int index, double normalised) override;
  void PrepareDrawing() override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }

  // ---- Control list ------------------------------------------------------------------------
  // Appends the control and returns its index.
  int AttachControl(std::unique_ptr<IControl> control);
  // Puts an image control of the image's own size beneath every other control (index 0).
  int AttachBackground(int imageId, const char* fileName);
  int NumControls() const { return static_cast<int>(controls_.size()); }
  IControl* GetControl(int index) const;
  void RemoveAllControls();
  // Receives the keys no control under the pointer takes; owned by the editor.
  void SetKeyCatcher(std::unique_ptr<IControl> control);
  IControl* KeyCatcher() const { return keyCatcher_.get(); }
  void SetAllControlsDirty();

  // An image through the process-wide bitmap cache. When the host can tell the image's size
  // without decoding it (ImageResourceSize), decoding waits for the editor's first drawing
  // (LoadArtwork); otherwise it is loaded with LoadImageResource now. A missing or
  // undecodable image gives a strip without a bitmap, which draws nothing.
  IBitmapStrip LoadBitmapStrip(int imageId, const char* fileName, int frames = 1);
  // Decodes the images this editor's strips are waiting for (those another editor of the
  // process decoded already are simply there). Drawing does this first; it may be called
  // earlier to choose when the work is done.
  void LoadArtwork();
  // The artwork set the editor's strips come from. Changing it forgets the images still
  // waiting to be decoded for the old set (they are no longer needed); strips loaded after
  // the change come from the new set.
  ArtworkSet Artwork() const { return artworkSet_; }
  void SetArtwork(ArtworkSet set);

  // ---- Drawing primitives for controls (clipped to the region being drawn) -----------------
  bool DrawBitmap(const IBitmapStrip& strip, const IBounds& dest, int srcX, int srcY,
                  const IBlendMode* blend);
  // Frames count from 1.
  bool DrawBitmapFrame(const IBitmapStrip& strip, const IBounds& dest, int frame,
                       const IBlendMode* blend);
  bool FillIRect(const IArgbColor& color, const IBounds& rect, const IBlendMode* blend);
  // With measure set nothing is drawn and rect becomes the text's extent, placed by the
  // style's alignment. False only when the style's font cannot be made.
  bool DrawIText(const ITextStyle& style, const char* text, IBounds& rect, bool measure = false);

  // ---- Parameter prompts -------------------------------------------------------------------
  // A text entry over rect for numeric parameters, a menu of the value texts for list
  // parameters (the choice goes to the control's SetValueFromUserInput).
  void PromptUserInput(IControl& control, IParameter& param, const IBounds& rect);

  // ---- Notices ------------------------------------------------------------------------------
  // A short message the editor draws over its controls (lines split at '\n'), for what the
  // person must be told where no desktop dialog can show it. The next click in the editor
  // closes it and goes no further. An empty text removes it.
  void ShowNotice(const std::string& text);
  // The same from a thread that may hold the instance mutex: never waits for the editor
  // lock; when the editor is busy the notice appears at its next event or timer tick.
  void PostNotice(const std::string& text);
  std::string Notice() const;
  // Where the notice is drawn; empty without one.
  IBounds NoticeRect() const;

  // ---- Events from the window host (editor coordinates) ------------------------------------
  void OnMouseDown(int x, int y, const IMouseKeys& keys);
  void OnMouseUp(int x, int y, const IMouseKeys& keys);
  // Only while a control holds the capture; dx, dy is the movement since the last event.
  void OnMouseDrag(int x, int y, int dx, int dy, const IMouseKeys& keys);
  // True when the control took the double-click as a mouse-down (the host then captures).
  bool OnMouseDblClick(int x, int y, const IMouseKeys& keys);
  void OnMouseWheel(int x, int y, const IMouseKeys& keys, int notches);
  bool OnMouseOver(int x, int y, const IMouseKeys& keys);
  void OnMouseOut();
  // Key codes: 0 space, 1-4 up/down/left/right, 5-14 digits, 15-40 letters.
  bool OnKeyDown(int x, int y, int key);

  // ---- Drawing cycle -----------------------------------------------------------------------
  // The union of the dirty controls' rectangles (hidden ones included).
  bool IsDirty(IBounds& rect);
  // Redraws the controls the region touches and puts the region on screen.
  bool Draw(const IBounds& region);

  // ---- State ------------------------------------------------------------------------------
  IPluginCore& Plugin() const { return plugin_; }
  int FrameRate() const { return frameRate_; }
  int MouseCapture() const { return mouseCapture_; }
  int MouseOverIndex() const { return mouseOver_; }
  int LastMouseX() const { return lastMouseX_; }
  int LastMouseY() const { return lastMouseY_; }
  int LastTooltipIndex() const { return lastTooltip_; }
  void SetLastTooltipIndex(int index) { lastTooltip_ = index; }
  bool HandlesMouseOver() const { return handleMouseOver_; }
  void HandleMouseOver(bool on) { handleMouseOver_ = on; }
  bool StrictDrawing() const { return strictDrawing_; }
  void SetStrictDrawing(bool strict) { strictDrawing_ = strict; }
  bool TooltipsEnabled() const { return tooltips_; }
  void EnableTooltips(bool on) { tooltips_ = on; }
  const IBounds& DrawRegion() const { return drawRegion_; }
  // Made on first use once drawing is prepared; null before.
  PixBitmap* DrawSurface() const;
  PixMemBitmap* ScratchBitmap() const;
  // The editor lock; the window host holds it around everything it does on the editor.
  std::recursive_mutex& Lock() const { return lock_; }

  // ---- Window host operations (slot order is fixed) ----------------------------------------
  virtual bool DrawScreen(const IBounds& region) = 0;
  virtual bool MeasureIText(const ITextStyle& style, const char* text, IBounds& rect) = 0;
  virtual void CancelTextEntry() = 0;
  virtual void Resize(int width, int height) = 0;
  bool WindowIsOpen() const override = 0;
  virtual const char* GetDrawingApiName() = 0;
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // Shows the menu tree below rect; returns the (sub-)menu in which an entry was chosen, with
  // its chosenIndex set, or null when the menu was dismissed.
  virtual IMenuList* CreateIPopupMenu(IMenuList& menu, const IBounds& rect) = 0;
  virtual void CreateTextEntry(IControl& control, const ITextStyle& style, const IBounds& rect,
                               const char* text, IParameter* param) = 0;
  virtual std::string HostPath() = 0;
  virtual std::string PluginPath() = 0;
  virtual std::string DesktopPath() = 0;
  virtual std::string AppSupportPath(bool system) = 0;
  virtual std::string UserDataPath() = 0;
  // Modal. On a choice file becomes the full path and directory its folder; on a cancel (or
  // without an open window) file becomes empty. Extensions are separated by spaces, without
  // dots.
  virtual void PromptForFile(std::string& file, int mode, std::string& directory,
                             const std::string& extensions) = 0;
  // What the file prompts call files of an extension (no dot), so that their type list reads
  // "Fluvia preset (*.fluviapreset)" rather than the bare pattern; empty for an unnamed one.
  void SetFileTypeName(const std::string& extension, const std::string& name);
  std::string FileTypeName(const std::string& extension) const;
  virtual bool PromptForColor(IArgbColor& color, const char* prompt) = 0;
  virtual bool OpenURL(const char* url, const char* title, const char* confirmText,
                       const char* errorText) = 0;
  virtual void ReservedSlot18() {}
  void* OpenWindow(void* parent) override = 0;
  virtual void ReservedSlot20() {}
  virtual void ReservedSlot21() {}
  void CloseWindow() override = 0;
  virtual void* GetWindowHandle() = 0;
  virtual bool GetClipboardText(std::string& text) = 0;
  virtual void HideMouseCursor() = 0;
  virtual void ShowMouseCursor() = 0;
  virtual void ReservedSlot28() {}
  // Decodes image `id`; the file name is the image's label, whose extension must be "png".
  virtual std::unique_ptr<PixBitmap> LoadImageResource(int id, const char* fileName) = 0;

  // Which images the host loads: part of the bitmap cache key, so editors built on different
  // artwork never share a cached bitmap by accident.
  virtual int ImageSource() const { return 0; }
  // The size of image `id` without decoding it; false when the host cannot tell, and the
  // image is then decoded at once.
  virtual bool ImageResourceSize(int id, const char* fileName, int& width, int& height);
  // The usable part of the screen the editor opens on (without panels and task bars), in
  // editor pixels; false when the host cannot tell.
  virtual bool WorkAreaSize(int& width, int& height);

  // ---- Prompts that answer later -----------------------------------------------------------
  // A menu or file prompt opened through these returns at once; `done` runs later on the
  // editor's thread, from the host's run loop, once the person has answered. A host may also
  // answer before returning: the defaults below do, through the modal operations above,
  // which suits hosts whose modal prompts keep the host's own windows running (in-memory,
  // Windows).
  //
  // If the prompt is abandoned because the window closes, `done` runs once with
  // `abandoned` set while the window closes, so the caller can put itself back; a prompt
  // still open when the editor is destroyed is dropped without a call.
  struct MenuResult {
    IMenuList* chosen = nullptr;  // as CreateIPopupMenu returns it
    bool abandoned = false;
  };
  struct FileResult {
    std::string file;       // empty when cancelled
    std::string directory;  // the folder of the chosen file; unchanged otherwise
    bool abandoned = false;
  };
  using MenuDone = std::function<void(const MenuResult&)>;
  using FileDone = std::function<void(const FileResult&)>;
  // `menu` must stay alive until `done` has run (or the editor is destroyed).
  virtual void BeginPopupMenu(IMenuList& menu, const IBounds& rect, MenuDone done);
  virtual void BeginPromptForFile(const std::string& file, int mode, const std::string& directory,
                                  const std::string& extensions, FileDone done);
  // Runs `change`, which hands the control's new value to the plug-in, under the editor lock
  // and inside an edit gesture of the control's parameter, unless the gesture of the press
  // that opened the prompt is still going on (the prompt answered at once).
  void ApplyPromptAnswer(IControl& control, const std::function<void()>& change);

 protected:
  // The platform-neutral part of a resize: new size, fresh surfaces, the plug-in is told.
  void ResizeGraphics(int width, int height);
  // A committed text entry: a number (or a value text for list parameters) for the parameter,
  // or the plain text for a control without one.
  void CommitTextEntry(IControl& control, IParameter* param, const char* text);

  // Forgets the mouse capture and the mouse-over control (a menu or dialog takes the mouse).
  void ResetMouseState() { mouseCapture_ = -1, mouseOver_ = -1; }

  bool HasCursorHidden() const { return cursorHidden_; }
  void SetCursorHidden(bool hidden) { cursorHidden_ = hidden; }
  int SavedCursorX() const { return savedCursorX_; }
  int SavedCursorY() const { return savedCursorY_; }
  void SetSavedCursor(int x, int y) { savedCursorX_ = x, savedCursorY_ = y; }

 private:
  void ApplyParameter(int index, double normalised);
  // Applies the values parked while the editor thread held the lock; called with the lock.
  void ApplyPendingValues();
  int FindTarget(int x, int y, bool allowGreyedMouseOver = false) const;
  IControl* CapturedOrHit(int x, int y, bool allowGreyedMouseOver = false);
  void EndOpenEdit();
  void DrawStrict(const IBounds& region);
  void DrawLoose();
  void DrawNotice(const IBounds& region);
  // Makes the draw surface and scratch bitmap when drawing is prepared and they are missing.
  bool EnsureSurfaces() const;

  mutable std::recursive_mutex lock_;
  std::vector<std::unique_ptr<IControl>> controls_;
  IPluginCore& plugin_;
  IBounds drawRegion_;
  mutable std::unique_ptr<PixBitmap> drawSurface_;
  mutable std::unique_ptr<PixMemBitmap> scratch_;
  bool surfacesWanted_ = false;
  // Images declared for this editor's strips and not decoded yet.
  struct PendingImage {
    int id;
    std::string fileName;
  };
  std::vector<PendingImage> artwork_;
  ArtworkSet artworkSet_ = ArtworkSet::Large;
  int width_;
  int height_;
  int frameRate_;
  int mouseCapture_ = -1;
  int mouseOver_ = -1;
  int lastMouseX_ = 0;
  int lastMouseY_ = 0;
  int lastTooltip_ = -1;
  bool handleMouseOver_ = false;
  bool strictDrawing_ = true;
  bool tooltips_ = false;
  bool cursorHidden_ = false;
  int savedCursorX_ = -1;
  int savedCursorY_ = -1;
  std::unique_ptr<IControl> keyCatcher_;
  // The parameter whose edit gesture a mouse-down opened, so that exactly one end-edit follows.
  int openEditParam_ = -1;

  std::map<std::string, std::string> fileTypeNames_;  // extension -> what it holds

  std::string notice_;
  IBounds noticeDirty_;  // where the notice appeared or went, not yet redrawn
  bool noticeTookPress_ = false;  // so the release of that press goes nowhere either

  // The parked values: one slot per parameter of the plug-in and a bit that marks it.
  int numPlugParams_ = 0;
  std::unique_ptr<std::atomic<double>[]> plugValues_;
  std::unique_ptr<std::atomic<uint64_t>[]> plugChanged_;
  // Notices posted while the editor was busy (never from the audio thread).
  std::mutex noticeLock_;  // a leaf lock: nothing else is taken while it is held
  std::vector<std::string> pendingNotices_;
};

}  // namespace fluvia
