// The hand-over under real concurrency (run under ThreadSanitizer as well): audio threads play
// while other threads restore and save states, edit, load presets and open and close the
// editor. A restored state must act whole at a block start, a saved state must be one set of
// values, and nothing may race.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "graphics/headless/graphics_headless.h"
#include "graphics/headless/headless_factory.h"
#include "tests/handover/handover_fixture.h"

namespace fluvia {
namespace {

using testing::HandOverTest;

// The parameters a state restore sets and the audio thread never writes by itself here.
constexpr int kRestored[] = {kAmpMainVolume,       kContainerDamping,    kContainerSize,
                             kModStochasticAmt,    kParticlesCollisions, kParticlesMassSpread,
                             kParticlesWeightVelocityRatio, kSoundfieldAmt, kSystemEnergyAmt};

class HandOverThreads : public HandOverTest {
 protected:
  // The current state with every restored parameter at `fraction` of its range.
  StateChunk StateAt(double fraction) {
    StateChunk current;
    plugin.SerializeParams(current);
    StateChunk state;
    for (int i = 0; i < plugin.NumParams(); ++i) {
      double value = 0.0;
      current.GetDouble(value, i * 8);
      for (int r : kRestored) {
        const IParameter* p = plugin.GetParam(r);
        if (r == i) value = p->Minimum() + fraction * (p->Maximum() - p->Minimum());
      }
      state.PutDouble(value);
    }
    return state;
  }
  // What the engine holds for the restored parameters once `state` has acted.
  std::vector<double> EngineValuesOf(const StateChunk& state) {
    const auto reference = WaterEngine::Create(48000.0);
    std::vector<double> values;
    for (int r : kRestored) {
      double value = 0.0;
      state.GetDouble(value, r * 8);
      reference->SetParameter(r, value);
      values.push_back(reference->Parameter(r));
    }
    return values;
  }
  std::vector<double> EngineValuesNow() {
    std::vector<double> values;
    for (int r : kRestored) values.push_back(EngineValue(r));
    return values;
  }
};

TEST_F(HandOverThreads, EveryRestoredStateActsWholeAtABlockStart) {
  const StateChunk a = StateAt(0.2), b = StateAt(0.7);
  const std::vector<double> engineA = EngineValuesOf(a), engineB = EngineValuesOf(b);
  plugin.UnserializeParams(a, 0);
  Block();
  ASSERT_EQ(EngineValuesNow(), engineA);

  std::atomic<bool> done{false};
  std::thread hostThread([&] {
    // A host restoring older states of its project as fast as it can.
    for (int round = 0; !done; ++round) {
      plugin.UnserializeParams(round % 2 ? a : b, 0);
      std::this_thread::yield();
    }
  });
  std::mt19937 random(7);
  int mixed = 0, changes = 0;
  std::vector<double> last = engineA;
  // Until both states have arrived a few times (the threads may take turns on a busy
  // machine), within a bound.
  for (int block = 0; block < 3000 || (changes < 4 && block < 1000000); ++block) {
    if (block % 40 == 0) NoteOn(60 + block % 12, int(random() % 64));
    Block(32 + int(random() % 225));
    // The engine is the audio thread's: what it holds after the block is what it took at
    // the block's start.
    const std::vector<double> now = EngineValuesNow();
    if (now != engineA && now != engineB) ++mixed;
    if (now != last) ++changes;
    last = now;
  }
  done = true;
  hostThread.join();
  EXPECT_EQ(mixed, 0);
  EXPECT_GE(changes, 4);  // both states arrived, more than once
}

TEST_F(HandOverThreads, AStateSavedDuringPlaybackIsOneSetOfValues) {
  // Every block moves four parameters together at its first frame; a saved state must never
  // hold some of them moved and the others not.
  constexpr int kTogether[] = {kContainerDamping, kContainerSize, kParticlesCollisions,
                               kParticlesMassSpread};
  auto moveTogether = [&](double normalised) {
    {
      AudioThreadScope audio(plugin);
      for (int index : kTogether) plugin.AddParamPoint(index, normalised, 0);
    }
    Block(64);
  };
  moveTogether(0.5);  // they start together
  std::atomic<bool> done{false};
  std::atomic<int> saves{0}, torn{0}, distinct{0};
  std::thread hostThread([&] {
    double previous = -1.0;
    while (!done) {
      StateChunk state;
      plugin.SerializeParams(state);
      std::vector<double> normalised;
      for (int index : kTogether) {
        double value = 0.0;
        state.GetDouble(value, index * 8);
        normalised.push_back(plugin.GetParam(index)->ToNormalised(value));
      }
      for (double n : normalised) {
        if (std::abs(n - normalised[0]) > 1e-9) ++torn;
      }
      if (normalised[0] != previous) ++distinct;
      previous = normalised[0];
      ++saves;
    }
  });
  // Until the saves have seen the values move a few times (the threads may take turns on a
  // busy machine), within a bound.
  for (int block = 0; block < 3000 || (distinct < 4 && block < 1000000); ++block) {
    moveTogether((block % 100) / 100.0);
  }
  done = true;
  hostThread.join();
  EXPECT_EQ(torn, 0);
  EXPECT_GE(distinct, 4);
}

// Two instances with editors, each on an audio thread of its own, with everything a host and
// a person do meanwhile: the editor opens and closes, redraws, knobs turn, the preset menu and
// the arrows load presets, the host saves, restores, sets parameters from any thread and
// changes programs; automation of the preset commands goes to the worker.
TEST(HandOverThreadsAll, EveryThreadAtOnce) {
  testing::ScratchFolder scratch;
  const std::string folder = scratch.Path() + "Presets/";
  testing::ScratchFolder::Write(folder + "Factory/SFX - Shower.fluviapreset", testing::kShower);
  testing::ScratchFolder::Write(folder + "Factory/SFX - Waterfall.fluviapreset",
                                testing::kWaterfall);
  struct Instance {
    testing::PlayingHost host;
    std::unique_ptr<Fluvia> plugin;
    IGraphicsHeadless* editor = nullptr;
    bool finite = true;
  };
  std::vector<Instance> instances(2);
  for (Instance& instance : instances) {
    FluviaOptions options;
    options.createGraphics = HeadlessGraphicsFactory();
    options.presetFolder = folder;
    options.settingsFile = folder + "Settings.txt";
    options.sizePreference = false;
    instance.plugin = std::make_unique<Fluvia>(options);
    instance.plugin->SetHostLink(&instance.host);
    instance.plugin->SetOutputChannelConnections(0, 2, true);
    instance.plugin->SetSampleRate(48000.0);
    instance.plugin->SetMaxBlockSize(512);
    instance.plugin->ResetDsp();
    instance.editor = dynamic_cast<IGraphicsHeadless*>(instance.plugin->Editor());
    ASSERT_NE(instance.editor, nullptr);
  }

  std::atomic<int> playing{2};
  std::vector<std::thread> threads;
  for (size_t n = 0; n < instances.size(); ++n) {
    threads.emplace_back([&, n] {
      Instance& instance = instances[n];
      Fluvia& plugin = *instance.plugin;
      std::mt19937 random(unsigned(11 + n));
      std::vector<double> l(512), r(512);
      double* outs[] = {l.data(), r.data()};
      for (int block = 0; block < 1500; ++block) {
        const int frames = 16 + int(random() % 497);
        AudioThreadScope audio(plugin);
        if (block % 7 == 0) {
          plugin.ProcessMidi({int(random() % unsigned(frames)), uint8_t(block % 14 ? 0x90 : 0x80),
                              uint8_t(60 + block % 5), 100});
        }
        if (block % 11 == 0) plugin.ProcessMidi({0, 0xB0, 7, uint8_t(block % 128)});
        plugin.AddParamPoint(kSoundfieldAmt, (block % 10) / 10.0, int(random() % unsigned(frames)));
        if (block % 97 == 0) {
          plugin.AddParamPoint(kPresetSelector, plugin.GetParam(kPresetSelector)->ToNormalised(3.0), 0);
        }
        if (block % 131 == 0) plugin.AddParamPoint(kPresetForward, 1.0, 1);
        if (block % 173 == 0) plugin.RestorePreset(0);  // a program change with the block
        plugin.AttachOutputBuffers(0, 2, outs);
        plugin.ProcessBuffers(frames);
        for (int i = 0; i < frames; ++i) {
          instance.finite = instance.finite && std::isfinite(l[size_t(i)]) && std::isfinite(r[size_t(i)]);
        }
      }
      --playing;
    });
  }
  threads.emplace_back([&] {  // the person, on the editor's thread
    int parent = 0;
    for (int round = 0; playing > 0; ++round) {
      for (Instance& instance : instances) {
        IGraphicsHeadless& editor = *instance.editor;
        editor.OpenWindow(&parent);
        editor.Tick();
        editor.Drag(810, 300, 810, 280 - round % 20, 2);  // the SIZE knob
        if (round % 3 == 0) {
          editor.QueueMenuChoice({2}, round % 2);  // Factory > SFX
          editor.Click(500, 100);
        }
        if (round % 5 == 0) editor.Click(900, 100);  // next preset
        editor.Tick();
        editor.CloseWindow();
      }
    }
  });
  threads.emplace_back([&] {  // the host's other threads
    std::mt19937 random(5);
    for (int round = 0; playing > 0; ++round) {
      Fluvia& plugin = *instances[size_t(round) % instances.size()].plugin;
      StateChunk state;
      plugin.SerializeParams(state);
      plugin.SetParamWithoutWaiting(kAmpMainVolume, (round % 10) / 10.0);
      if (round % 9 == 0) {
        plugin.SetParamWithoutWaiting(kPresetSelector,
                                      plugin.GetParam(kPresetSelector)->ToNormalised(4.0));
      }
      if (round % 4 == 0) {
        StateChunk damaged;  // a state that ends inside its third value
        damaged.PutBytes(state.Data(), 20);
        plugin.UnserializeParams(damaged, 0);
      }
      plugin.UnserializeParams(state, 0);
      if (round % 13 == 0) plugin.RestorePreset(0);
      if (round % 17 == 0) plugin.RefreshEditorParams();
    }
  });
  for (std::thread& thread : threads) thread.join();

  for (Instance& instance : instances) {
    EXPECT_TRUE(instance.finite);
    // The worker catches up with what the audio threads handed it.
    EXPECT_TRUE(testing::Eventually([&] { return !instance.plugin->HasDeferredWork(); }));
  }
}

}  // namespace
}  // namespace fluvia
