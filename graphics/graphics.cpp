#include "graphics/graphics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "framework/parameter.h"
#include "framework/plugin_core.h"
#include "framework/truncate.h"
#include "graphics/bitmap_cache.h"
#include "graphics/bitmap_control.h"
#include "graphics/control.h"
#include "graphics/pix/pix_mem_bitmap.h"
#include "graphics/pix/pix_sys_bitmap.h"
#include "graphics/text_entry_rules.h"

namespace fluvia {

IGraphics::IGraphics(IPluginCore& plugin, int width, int height, int frameRate)
    : plugin_(plugin),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      // The window host's timer period is 1000 / frame rate; never divide by zero.
      frameRate_(frameRate > 0 ? frameRate : kDefaultFrameRate),
      numPlugParams_(std::max(plugin.NumParams(), 0)),
      plugValues_(new std::atomic<double>[size_t(numPlugParams_) + 1]),
      plugChanged_(new std::atomic<uint64_t>[size_t(numPlugParams_) / 64 + 1]) {
  for (int i = 0; i <= numPlugParams_; ++i) plugValues_[size_t(i)].store(0.0);
  for (int w = 0; w <= numPlugParams_ / 64; ++w) plugChanged_[size_t(w)].store(0);
}

IGraphics::~IGraphics() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  keyCatcher_.reset();
  RemoveAllControls();
  drawSurface_.reset();
  scratch_.reset();
}

// ---- Parameter linkage --------------------------------------------------------------------

void IGraphics::SetParameterFromPlug(int index, double value, bool normalised) {
  if (!normalised) {
    const IParameter* param = plugin_.GetParam(index);
    if (!param) return;
    value = param->ToNormalised(value);
  }
  PostParameterFromPlug(index, value);
  // The audio thread leaves even a free lock alone: releasing it could have to wake the
  // editor's thread, a system call.
  if (plugin_.OnAudioThread() || !lock_.try_lock()) return;
  ApplyPendingValues();
  lock_.unlock();
}

void IGraphics::PostParameterFromPlug(int index, double normalised) {
  if (index < 0 || index >= numPlugParams_ || std::isnan(normalised)) return;
  plugValues_[size_t(index)].store(normalised, std::memory_order_relaxed);
  plugChanged_[size_t(index) / 64].fetch_or(uint64_t(1) << (unsigned(index) % 64),
                                            std::memory_order_release);
}

void IGraphics::ApplyPendingValues() {
  for (int w = 0; w <= numPlugParams_ / 64; ++w) {
    uint64_t changed = plugChanged_[size_t(w)].exchange(0, std::memory_order_acquire);
    while (changed) {
      const int bit = __builtin_ctzll(changed);
      changed &= changed - 1;
      const int index = w * 64 + bit;
      ApplyParameter(index, plugValues_[size_t(index)].load(std::memory_order_relaxed));
    }
  }
  std::vector<std::string> notices;
  {
    std::lock_guard<std::mutex> guard(noticeLock_);
    notices.swap(pendingNotices_);
  }
  for (const std::string& notice : notices) ShowNotice(notice);
}

void IGraphics::PostNotice(const std::string& text) {
  if (lock_.try_lock()) {
    ApplyPendingValues();
    ShowNotice(text);
    lock_.unlock();
    return;
  }
  std::lock_guard<std::mutex> guard(noticeLock_);
  pendingNotices_.push_back(text);
}

void IGraphics::ApplyParameter(int index, double normalised) {
  for (const std::unique_ptr<IControl>& control : controls_) {
    if (control->ParamIdx() == index) control->SetValueFromPlug(normalised);
    const int aux = control->AuxParamIdx(index);
    if (aux >= 0) control->SetAuxParamValueFromPlug(aux, normalised);
  }
}

void IGraphics::PrepareDrawing() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  // The surfaces are made when something is first drawn: an editor that never opens costs no
  // back buffer.
  drawSurface_.reset();
  scratch_.reset();
  surfacesWanted_ = true;
}

bool IGraphics::EnsureSurfaces() const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (!drawSurface_ && surfacesWanted_) {
    drawSurface_ = std::make_unique<PixSysBitmap>(width_, height_);
    scratch_ = std::make_unique<PixMemBitmap>();
  }
  return drawSurface_ != nullptr;
}

PixBitmap* IGraphics::DrawSurface() const {
  EnsureSurfaces();
  return drawSurface_.get();
}

PixMemBitmap* IGraphics::ScratchBitmap() const {
  EnsureSurfaces();
  return scratch_.get();
}

// ---- Control list ---------------------------------------------------------------------------

int IGraphics::AttachControl(std::unique_ptr<IControl> control) {
  if (!control) return -1;
  std::lock_guard<std::recursive_mutex> guard(lock_);
  controls_.push_back(std::move(control));
  return NumControls() - 1;
}

int IGraphics::AttachBackground(int imageId, const char* fileName) {
  const IBitmapStrip strip = LoadBitmapStrip(imageId, fileName, 1);
  auto background = std::make_unique<IBitmapControl>(
      plugin_, IBounds(0, 0, strip.width, strip.height), -1, strip, IBlendMode());
  std::lock_guard<std::recursive_mutex> guard(lock_);
  controls_.insert(controls_.begin(), std::move(background));
  // Indices moved up by one; a capture or hover recorded before would name the wrong control.
  ResetMouseState();
  return 0;
}

IControl* IGraphics::GetControl(int index) const {
  return (index >= 0 && index < NumControls()) ? controls_[size_t(index)].get() : nullptr;
}

void IGraphics::RemoveAllControls() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  ResetMouseState();
  // Last first: later controls may refer to earlier ones (display controls).
  while (!controls_.empty()) controls_.pop_back();
}

void IGraphics::SetKeyCatcher(std::unique_ptr<IControl> control) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  keyCatcher_ = std::move(control);
}

void IGraphics::SetAllControlsDirty() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  for (const std::unique_ptr<IControl>& control : controls_) control->SetDirty(false);
}

IBitmapStrip IGraphics::LoadBitmapStrip(int imageId, const char* fileName, int frames) {
  IBitmapStrip strip;
  strip.frames = std::max(frames, 1);
  const char* name = fileName ? fileName : "";
  int width = 0, height = 0;
  if (!FindCachedBitmap(ImageSource(), imageId) &&
      ImageResourceSize(imageId, name, width, height)) {
    // Known by its size for now; decoded when the editor first draws.
    std::lock_guard<std::recursive_mutex> guard(lock_);
    strip.image = DeclareCachedImage(ImageSource(), imageId, width, height);
    strip.width = strip.image->width;
    strip.height = strip.image->height;
    artwork_.push_back({imageId, name});
    return strip;
  }
  const CachedBitmap cached = FindOrLoadCachedBitmap(ImageSource(), imageId, [&] {
    return LoadImageResource(imageId, name);
  });
  strip.bitmap = cached.bitmap;
  strip.opaque = cached.opaque;
  if (strip.bitmap) {
    strip.width = strip.bitmap->Width();
    strip.height = strip.bitmap->Height();
  }
  return strip;
}

bool IGraphics::ImageResourceSize(int, const char*, int&, int&) { return false; }

bool IGraphics::WorkAreaSize(int&, int&) { return false; }

void IGraphics::SetArtwork(ArtworkSet set) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (set == artworkSet_) return;
  artworkSet_ = set;
  artwork_.clear();
}

void IGraphics::LoadArtwork() {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  if (artwork_.empty()) return;
  struct Job {
    const CachedImage* image;
    const PendingImage* pending;
    std::unique_ptr<PixBitmap> bitmap;
  };
  std::vector<Job> jobs;
  for (const PendingImage& pending : artwork_) {
    const CachedImage* image = DeclareCachedImage(ImageSource(), pending.id, 0, 0);
    if (!image->bitmap.load()) jobs.push_back({image, &pending, nullptr});
  }
  // Decoding is nearly all of an editor's first opening. The work is shared with helper
  // threads (largest images first, so the shares come out even); it is the same work the
  // editor's thread would otherwise do alone, and nothing else is waited for.
  std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) {
    return double(a.image->width) * a.image->height > double(b.image->width) * b.image->height;
  });
  std::atomic<size_t> next{0};
  auto decode = [&] {
    for (size_t i = next++; i < jobs.size(); i = next++) {
      jobs[i].bitmap = LoadImageResource(jobs[i].pending->id, jobs[i].pending->fileName.c_str());
    }
  };
  std::vector<std::thread> helpers;
  const unsigned cores = std::max(std::thread::hardware_concurrency(), 1u);
  const size_t wanted = std::min<size_t>({cores - 1, 3, jobs.size() > 1 ? jobs.size() - 1 : 0});
  for (size_t i = 0; i < wanted; ++i) {
    try {
      helpers.emplace_back(decode);
    } catch (const std::system_error&) {
      break;  // no thread to be had: this thread decodes the rest
    }
  }
  decode();
  for (std::thread& helper : helpers) helper.join();

  // Into the cache; one whose size differs from the declared one is refused there.
  for (Job& job : jobs) {
    FindOrLoadCachedBitmap(ImageSource(), job.pending->id,
                           [&] { return std::move(job.bitmap); });
  }
  artwork_.clear();
}

// ---- Prompts --------------------------------------------------------------------------------

void IGraphics::PromptUserInput(IControl& control, IParameter& param, const IBounds& rect) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const ParamKind kind = param.Kind();
  const bool listed =
      kind == ParamKind::Enum || (kind == ParamKind::Bool && !param.ValueTexts().empty());
  if (!listed) {
    double value = param.Value();
    if (param.NegateDisplay()) value = -value;
    char text[128];
    if (param.DisplayPrecision() == 0) {
      std::snprintf(text, sizeof text, "%d", TruncateToInt(value));
    } else {
      std::snprintf(text, sizeof text, "%.*f", param.DisplayPrecision(), value);
    }
    CreateTextEntry(control, control.TextStyle(), rect, text, &param);
    return;
  }

  // The menu lives in the completion, which the host keeps until the menu closes.
  auto menu = std::make_shared<IMenuList>();
  const std::string current = param.FormatValue();
  const int count = static_cast<int>(param.ValueTexts().size());
  for (int i = 0; i < count; ++i) {
    const char* text = param.ValueTextFor(i);
    const std::string entry = text ? text : "";
    menu->AddItem(entry, entry == current ? IMenuEntry::kChecked : 0);
  }
  IControl* target = &control;
  IParameter* chosenParam = &param;
  BeginPopupMenu(*menu, rect, [this, menu, target, chosenParam, count](const MenuResult& answer) {
    if (answer.chosen != menu.get() || menu->chosenIndex < 0 || menu->chosenIndex >= count) {
      return;
    }
    const double value = std::min(std::max(double(menu->chosenIndex), chosenParam->Minimum()),
                                  chosenParam->Maximum());
    ApplyPromptAnswer(*target, [&] {
      target->SetValueFromUserInput(chosenParam->ToNormalised(value));
    });
  });
}

void IGraphics::ApplyPromptAnswer(IControl& control, const std::function<void()>& change) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const int param = control.ParamIdx();
  const bool ownGesture = param >= 0 && control.Param() && openEditParam_ != param;
  if (ownGesture) plugin_.BeginParamEdit(param);
  change();
  if (ownGesture) plugin_.EndParamEdit(param);
}

void IGraphics::BeginPopupMenu(IMenuList& menu, const IBounds& rect, MenuDone done) {
  MenuResult answer;
  answer.chosen = CreateIPopupMenu(menu, rect);
  if (done) done(answer);
}

void IGraphics::SetFileTypeName(const std::string& extension, const std::string& name) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  fileTypeNames_[extension] = name;
}

std::string IGraphics::FileTypeName(const std::string& extension) const {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  const auto found = fileTypeNames_.find(extension);
  return found == fileTypeNames_.end() ? std::string() : found->second;
}

void IGraphics::BeginPromptForFile(const std::string& file, int mode,
                                   const std::string& directory, const std::string& extensions,
                                   FileDone done) {
  FileResult answer;
  answer.file = file;
  answer.directory = directory;
  PromptForFile(answer.file, mode, answer.directory, extensions);
  if (done) done(answer);
}

void IGraphics::CommitTextEntry(IControl& control, IParameter* param, const char* text) {
  std::lock_guard<std::recursive_mutex> guard(lock_);
  char buffer[kTextEntryMaxChars + 1];
  std::snprintf(buffer, sizeof buffer, "%s", text ? text : "");
  if (!param) {
    control.TextFromTextEntry(buffer);
    return;
  }
  double value = 0.0;
  if (param->Kind() == ParamKind::Bool || param->Kind() == ParamKind::Enum) {
    for (const ValueText& entry : param->ValueTexts()) {
      if (entry.text == buffer) {
        value = entry.value;
        break;
      }
    }
  } else {
    value = std::strtod(buffer, nullptr);
    if (param->NegateDisplay()) value = -value;
  }
  control.SetValueFromUserInput(param->ToNormalised(value));
}

// ---- Size -----------------------------------------------------------------------------------

void IGraphics::ResizeGraphics(int width, int height) {
  {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    ResetMouseState();
    EndOpenEdit();
    // The controls stay: the plug-in keeps handles to them, and they are simply drawn again
    // on the new surface.
    drawSurface_.reset();
    scratch_.reset();
    PrepareDrawing();
    SetAllControlsDirty();
  }
  plugin_.ResizeEditor(width_, height_);
}

}  // namespace fluvia
