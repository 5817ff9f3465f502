#pragma once
// IFileSelectorControl: a button that asks the window host for a file (open or save) and then
// flips its value between 0 and 1, so that the bound parameter tells the plug-in a choice was
// made (or cancelled: the chosen file is then empty). Its image shows only while the dialog
// is up.

#include <functional>
#include <mutex>
#include <string>

#include "graphics/control.h"

namespace fluvia {

class IFileSelectorControl : public IControl {
 public:
  enum FileMode : int { kOpen = 0, kSave = 1 };
  enum SelectionState : int { kIdle = 0, kDialogOpen = 1, kJustChosen = 2 };

  IFileSelectorControl(IPluginCore& plugin, const IBounds& rect, int paramIdx,
                       const IBitmapStrip& strip, int mode, const std::string& directory,
                       const std::string& extensions, const IBlendMode& blend = IBlendMode());
  ~IFileSelectorControl() override;

  void OnMouseDown(int x, int y, const IMouseKeys& keys) override;
  bool Draw(IGraphics& graphics) override;
  // Also true once right after a choice, so the image disappears again when the dialog closes.
  bool IsDirty() override;

  // The full path of the last choice, empty after a cancel. The plug-in reads these on
  // whichever thread handles the parameter change, hence the copies.
  std::string ChosenFile() const;
  void SetChosenFile(const std::string& path);
  // The folder the next dialog starts in: the folder of the last choice.
  std::string Directory() const;
  // Called on the editor's thread right before each dialog opens, with the file the dialog
  // will offer and the folder it starts in, to change them (a save suggesting a fresh name).
  using Suggestion = std::function<void(std::string& file, std::string& directory)>;
  void SetSuggestion(Suggestion suggest) { suggest_ = std::move(suggest); }
  const std::string& Extensions() const { return extensions_; }
  int Mode() const { return mode_; }
  int State() const { return state_; }
  const IBitmapStrip& Strip() const { return strip_; }
  // Another image for the same control (the other artwork set); flags a redraw.
  void SetStrip(const IBitmapStrip& strip) {
    strip_ = strip;
    FlagDirty();
  }

 private:
  IBitmapStrip strip_;
  mutable std::mutex pathLock_;  // a leaf lock for the two paths
  std::string directory_;
  std::string file_;
  std::string extensions_;
  int mode_;
  int state_ = kIdle;
  Suggestion suggest_;
};

}  // namespace fluvia
