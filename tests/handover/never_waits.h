#pragma once
// What the never-waits tests share: a thread that takes every lock a user-interface or
// controller thread can take (the instance mutex, the editor's lock, the process-wide bitmap
// cache's lock) and holds them for 200 ms, the instrument's options, the changes the interface
// made before, and the player that checks every block came back while the locks were held.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine_params.h"
#include "engine/noise.h"
#include "graphics/bitmap_cache.h"
#include "graphics/graphics.h"
#include "graphics/headless/headless_factory.h"
#include "graphics/pix/pix_bitmap.h"
#include "instrument/fluvia.h"
#include "tests/presets/scratch_folder.h"

namespace fluvia::testing {

inline constexpr int kBlocks = 24;
inline constexpr int kFrames = 256;
inline constexpr int kHeldImageSource = 4711;  // a bitmap cache key no editor uses

// Takes every lock of `core` that a user-interface or controller thread can take and holds
// them for 200 ms on a thread of its own.
class LocksHeld {
 public:
  explicit LocksHeld(IPluginCore& core) {
    holder_ = std::thread([this, &core] {
      std::lock_guard<std::recursive_mutex> instance(core.Mutex());
      auto* editor = dynamic_cast<IGraphics*>(core.Editor());
      std::unique_lock<std::recursive_mutex> editorLock;
      if (editor) editorLock = std::unique_lock<std::recursive_mutex>(editor->Lock());
      // The cache runs its loader under its lock.
      FindOrLoadCachedBitmap(kHeldImageSource, 1, [this]() -> std::unique_ptr<PixBitmap> {
        {
          std::lock_guard<std::mutex> guard(lock_);
          held_ = true;
        }
        changed_.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        held_ = false;
        return nullptr;
      });
    });
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return held_.load(); });
  }
  ~LocksHeld() { holder_.join(); }
  bool Held() const { return held_; }

 private:
  std::thread holder_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::atomic<bool> held_{false};
};

inline FluviaOptions Options(PluginApi api, const std::string& folder) {
  FluviaOptions options;
  options.api = api;
  options.artwork = api == PluginApi::VST2 ? ArtworkSet::Small : ArtworkSet::Large;
  options.createGraphics = HeadlessGraphicsFactory();
  options.presetFolder = folder;
  options.sizePreference = false;
  return options;
}

// What the user interface changed before the locks were taken: a knob and a restored state,
// both still waiting for the audio thread.
inline void ChangeFromTheInterface(IPluginCore& core) {
  core.SetParamFromEditor(kSoundfieldAmt, 0.2);
  StateChunk state;
  core.SerializeParams(state);
  StateChunk changed;
  for (int i = 0; i < core.NumParams(); ++i) {
    double value = 0.0;
    state.GetDouble(value, i * 8);
    if (i == kContainerSize) value = 0.6;
    if (i == kAmpFadeInOut) value = 0.0;
    changed.PutDouble(value);
  }
  core.UnserializeParams(changed, 0);
}

// Plays the blocks through `block(b)`, which processes block b and returns its left channel.
// With `held`, every call must come back while the locks are still taken.
inline std::vector<float> Play(const std::function<std::vector<float>(int)>& block,
                        const LocksHeld* held) {
  SetNoiseState(kNoiseLoadState);
  std::vector<float> out;
  for (int b = 0; b < kBlocks; ++b) {
    const std::vector<float> left = block(b);
    out.insert(out.end(), left.begin(), left.end());
    if (held) {
      EXPECT_TRUE(held->Held()) << "block " << b << " waited for a lock";
    }
  }
  return out;
}

inline double Energy(const std::vector<float>& samples) {
  double sum = 0.0;
  for (float s : samples) sum += double(s) * double(s);
  return sum;
}

class NeverWaitsTest : public ::testing::Test {
 protected:
  ScratchFolder scratch;
  std::string folder = scratch.Path() + "Presets/";
};

}  // namespace fluvia::testing
