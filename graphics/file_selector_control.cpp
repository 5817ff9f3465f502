#include "graphics/file_selector_control.h"

#include "graphics/graphics.h"

namespace fluvia {

IFileSelectorControl::IFileSelectorControl(IPluginCore& plugin, const IBounds& rect,
                                           int paramIdx, const IBitmapStrip& strip, int mode,
                                           const std::string& directory,
                                           const std::string& extensions,
                                           const IBlendMode& blend)
    : IControl(plugin, rect, paramIdx, blend),
      strip_(strip),
      directory_(directory),
      extensions_(extensions),
      mode_(mode == kSave ? kSave : kOpen) {}

IFileSelectorControl::~IFileSelectorControl() = default;

void IFileSelectorControl::OnMouseDown(int, int, const IMouseKeys&) {
  IGraphics* graphics = Graphics();
  if (!graphics || state_ == kDialogOpen) return;  // one dialog at a time
  state_ = kDialogOpen;
  SetDirty(false);
  if (suggest_) {
    std::string file = ChosenFile(), directory = Directory();
    suggest_(file, directory);
    std::lock_guard<std::mutex> guard(pathLock_);
    file_ = file;
    directory_ = directory;
  }
  // The answer may come at once or, on hosts whose dialogs run beside the host's own loop,
  // from a later run-loop callback. No lock is held meanwhile.
  graphics->BeginPromptForFile(
      ChosenFile(), mode_, Directory(), extensions_,
      [this, graphics](const IGraphics::FileResult& answer) {
        if (answer.abandoned) {
          // The window closed under the dialog: nothing was chosen, nothing is reported.
          state_ = kIdle;
          SetDirty(false);
          return;
        }
        {
          std::lock_guard<std::mutex> guard(pathLock_);
          file_ = answer.file;
          directory_ = answer.directory;
        }
        state_ = kJustChosen;
        graphics->ApplyPromptAnswer(*this, [this] {
          value_ += 1.0;
          if (value_ > 1.0) value_ = 0.0;
          SetDirty(true);
        });
      });
}

bool IFileSelectorControl::Draw(IGraphics& graphics) {
  if (state_ == kDialogOpen) graphics.DrawBitmapFrame(strip_, rect_, 1, &blend_);
  return true;
}

bool IFileSelectorControl::IsDirty() {
  if (IControl::IsDirty()) return true;
  if (state_ == kJustChosen) {
    state_ = kIdle;
    return true;
  }
  return false;
}

std::string IFileSelectorControl::ChosenFile() const {
  std::lock_guard<std::mutex> guard(pathLock_);
  return file_;
}

void IFileSelectorControl::SetChosenFile(const std::string& path) {
  std::lock_guard<std::mutex> guard(pathLock_);
  file_ = path;
}

std::string IFileSelectorControl::Directory() const {
  std::lock_guard<std::mutex> guard(pathLock_);
  return directory_;
}

}  // namespace fluvia
