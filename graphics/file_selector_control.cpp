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
  if (!graphics) return;
  state_ = kDialogOpen;
  SetDirty(false);
  std::string file = ChosenFile();
  std::string directory = Directory();
  // Modal: returns once the user has chosen or cancelled. No lock is held meanwhile.
  graphics->PromptForFile(file, mode_, directory, extensions_);
  {
    std::lock_guard<std::mutex> guard(pathLock_);
    file_ = file;
    directory_ = directory;
  }
  value_ += 1.0;
  if (value_ > 1.0) value_ = 0.0;
  state_ = kJustChosen;
  SetDirty(true);
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
