// The audio block: activation at several rates and block sizes, notes and parameter changes at
// their frame, the transport, and the same samples as the VST3 module for the same events.

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "tests/clap/clap_fixture.h"
#include "tools/vst3host/host_objects.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::claptest {
namespace {

using ClapProcess = ClapTest;

constexpr double kAudible = 1e-6;

TEST_F(ClapProcess, PlaysANoteAtEveryRateAndBlockSize) {
  struct Case {
    double rate;
    uint32_t maxBlock;
    uint32_t block;
  };
  for (const Case& c : {Case{44100.0, 512, 512}, Case{48000.0, 32, 32}, Case{96000.0, 4096, 4096},
                        Case{192000.0, 256, 100}, Case{22050.0, 1, 1}}) {
    SCOPED_TRACE(testing::Message() << c.rate << " Hz, blocks of " << c.block);
    Start(c.rate, c.maxBlock);
    plugin().Events().NoteOn(60, 0.9, 0);
    Stereo out;
    const int blocks = int(c.rate * 0.25 / c.block) + 1;  // a quarter second
    Render(out, blocks, c.block);
    EXPECT_TRUE(out.AllFinite());
    EXPECT_GT(out.Peak(), 1e-3);
    EXPECT_LE(out.Peak(), 1.0);
    plugin().Stop();
  }
}

// A host block longer than it announced is rendered in pieces, not refused or overrun.
TEST_F(ClapProcess, ABlockLongerThanAnnouncedIsRenderedWhole) {
  Start(48000.0, 64);
  plugin().Events().NoteOn(60, 1.0, 1000);
  Stereo out;
  Render(out, 1, 4096);
  EXPECT_GE(out.FirstFrameAbove(0.0), 1000);
  EXPECT_GT(out.Peak(), 1e-5);
}

// Events act at their own frame: the output does not depend on where the host cuts blocks.
TEST_F(ClapProcess, NotesAndParameterValuesActAtTheirFrame) {
  auto render = [&](const std::vector<uint32_t>& cuts) {
    Reload();
    Start(48000.0, 2048);
    Stereo out;
    uint32_t position = 0;
    for (uint32_t cut : cuts) {
      const uint32_t frames = cut - position;
      auto at = [&](uint32_t frame, auto add) {
        if (frame >= position && frame < cut) add(frame - position);
      };
      at(300, [&](uint32_t t) { plugin().Events().NoteOn(64, 0.8, t); });
      at(1200, [&](uint32_t t) { plugin().Events().ParamValue(ParamId(kSoundfieldAmt), 1.0, t); });
      at(1700, [&](uint32_t t) { plugin().Events().ParamValue(ParamId(kAmpMainVolume), 0.25, t); });
      at(2600, [&](uint32_t t) { plugin().Events().NoteOff(64, t); });
      Render(out, 1, frames);
      position = cut;
    }
    plugin().Stop();
    return out;
  };
  const Stereo whole = render({2048, 4096, 8192});
  const Stereo cut = render({300, 1000, 1200, 1201, 1700, 2048, 2600, 4096, 8192});
  EXPECT_GE(whole.FirstFrameAbove(0.0), 300);
  EXPECT_GT(whole.Peak(), 1e-5);
  ASSERT_EQ(whole.left.size(), cut.left.size());
  EXPECT_EQ(whole.left, cut.left);
  EXPECT_EQ(whole.right, cut.right);
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.25);
}

// The note port takes MIDI as well as CLAP note events, with the same result.
TEST_F(ClapProcess, MidiNotesSoundAsClapNotes) {
  auto render = [&](bool midi) {
    Reload();
    Start(48000.0, 512);
    if (midi) {
      plugin().Events().Midi(0x90, 62, 100, 123);
    } else {
      plugin().Events().NoteOn(62, 100.0 / 127.0 + 1e-6, 123);
    }
    Stereo out;
    Render(out, 20, 512);
    if (midi) {
      plugin().Events().Midi(0x80, 62, 0, 10);
    } else {
      plugin().Events().NoteOff(62, 10);
    }
    Render(out, 20, 512);
    plugin().Stop();
    return out;
  };
  const Stereo clapNotes = render(false);
  const Stereo midiNotes = render(true);
  EXPECT_GE(clapNotes.FirstFrameAbove(0.0), 123);
  EXPECT_GT(clapNotes.Peak(), 1e-4);
  EXPECT_EQ(clapNotes.left, midiNotes.left);
  EXPECT_EQ(clapNotes.right, midiNotes.right);
}

TEST_F(ClapProcess, TheTransportTempoReachesTheInstrument) {
  Start(48000.0, 512);
  plugin().Transport().tempo = 93.5;
  Stereo out;
  Render(out, 1, 512);
  EXPECT_EQ(plugin().Value(ParamId(kHostTempoBpm)), 93.5);
  // A free-running host sends no transport: no tempo, as a VST3 host without a context.
  plugin().SendTransport(false);
  Render(out, 1, 512);
  EXPECT_EQ(plugin().Value(ParamId(kHostTempoBpm)), 0.0);
}

TEST_F(ClapProcess, APresetChangeRestoresThePreset) {
  Start(48000.0, 512);
  plugin().Events().ParamValue(ParamId(kAmpMainVolume), 0.1, 0);
  Stereo out;
  Render(out, 1, 512);
  ASSERT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.1);
  plugin().Events().ParamValue(kClapPresetParamId, 1.0, 0);  // no second preset: nothing
  Render(out, 1, 512);
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.1);
  // "Init": the defaults. The audio thread hands the restore to the plug-in's worker, which
  // carries it out within milliseconds.
  plugin().Events().ParamValue(kClapPresetParamId, 0.0, 0);
  Render(out, 1, 512);
  for (int wait = 0; wait < 2000 && plugin().Value(ParamId(kAmpMainVolume)) != 0.75; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.75);
}

TEST_F(ClapProcess, SilentChannelsAreMarkedConstantAnd64BitMatches32Bit) {
  Start(48000.0, 256);
  std::vector<float> left(256, 1.0f), right(256, 1.0f);
  ASSERT_EQ(plugin().Process(left.data(), right.data(), 256), clap::kProcessContinue);
  EXPECT_EQ(plugin().LastConstantMask(), 3u);
  EXPECT_EQ(left[100], 0.0f);
  plugin().Events().NoteOn(60, 1.0, 0);
  Stereo sounding;
  Render(sounding, 40, 256);
  EXPECT_EQ(plugin().LastConstantMask(), 0u);

  auto render = [&](bool doubles) {
    Reload();
    Start(48000.0, 256);
    plugin().Events().NoteOn(60, 1.0, 0);
    Stereo out;
    std::vector<float> l32(256), r32(256);
    std::vector<double> l64(256), r64(256);
    for (int b = 0; b < 40; ++b) {
      if (doubles) {
        EXPECT_EQ(plugin().Process(l64.data(), r64.data(), 256), clap::kProcessContinue);
        for (size_t i = 0; i < 256; ++i) l32[i] = float(l64[i]), r32[i] = float(r64[i]);
      } else {
        EXPECT_EQ(plugin().Process(l32.data(), r32.data(), 256), clap::kProcessContinue);
      }
      plugin().Events().Clear();
      out.left.insert(out.left.end(), l32.begin(), l32.end());
      out.right.insert(out.right.end(), r32.begin(), r32.end());
    }
    return out;
  };
  const Stereo single = render(false);
  const Stereo wide = render(true);
  EXPECT_GT(single.Peak(), 1e-3);
  for (size_t i = 0; i < single.left.size(); ++i) {
    ASSERT_NEAR(single.left[i], wide.left[i], 1e-6) << i;
    ASSERT_NEAR(single.right[i], wide.right[i], 1e-6) << i;
  }
}

// The same timed notes and parameter changes played through Fluvia.clap and Fluvia.vst3 give
// the same samples.
TEST_F(ClapProcess, TheSameEventsSoundAsThroughTheVst3Module) {
  std::string error;
  vst3host::HostApplication vst3Host;
  auto vst3Module = vst3host::Vst3Module::Load(Vst3BundlePath(), error);
  ASSERT_TRUE(vst3Module) << error;
  auto vst3 = vst3host::Vst3Plugin::Create(*vst3Module, vst3Host, error);
  ASSERT_TRUE(vst3) << error;
  ASSERT_TRUE(vst3->Start(48000.0, 512, Steinberg::Vst::kSample32, error)) << error;
  Start(48000.0, 512);

  // (block, frame, what): notes on and off, and parameters whose 0..1 range makes the plain
  // and the normalised value the same number.
  struct Step {
    int block;
    int frame;
    int param;  // -1: note on, -2: note off
    double value;
  };
  const std::vector<Step> steps = {
      {0, 37, -1, 0.8},  {3, 500, kSoundfieldAmt, 0.75}, {5, 17, kParticlesCollisions, 0.625},
      {5, 400, kAmpMainVolume, 0.5}, {9, 256, -2, 0}, {11, 3, -1, 0.25}, {14, 511, kContainerSize, 0.875},
      {20, 100, -2, 0}};
  std::vector<float> cl(512), cr(512), vl(512), vr(512);
  Stereo clapOut, vst3Out;
  for (int block = 0; block < 40; ++block) {
    for (const Step& s : steps) {
      if (s.block != block) continue;
      if (s.param == -1) {
        plugin().Events().NoteOn(60, s.value, uint32_t(s.frame));
        vst3->Events().NoteOn(60, float(s.value), s.frame);
      } else if (s.param == -2) {
        plugin().Events().NoteOff(60, uint32_t(s.frame));
        vst3->Events().NoteOff(60, s.frame);
      } else {
        plugin().Events().ParamValue(ParamId(s.param), s.value, uint32_t(s.frame));
        vst3->Changes().Add(Steinberg::Vst::ParamID(s.param), s.frame, s.value);
      }
    }
    ASSERT_EQ(plugin().Process(cl.data(), cr.data(), 512), clap::kProcessContinue);
    ASSERT_EQ(vst3->Process(vl.data(), vr.data(), 512), Steinberg::kResultOk);
    plugin().Events().Clear();
    vst3->Events().Clear();
    vst3->Changes().Clear();
    clapOut.left.insert(clapOut.left.end(), cl.begin(), cl.end());
    clapOut.right.insert(clapOut.right.end(), cr.begin(), cr.end());
    vst3Out.left.insert(vst3Out.left.end(), vl.begin(), vl.end());
    vst3Out.right.insert(vst3Out.right.end(), vr.begin(), vr.end());
  }
  EXPECT_GT(clapOut.Peak(), 1e-4);
  EXPECT_GE(clapOut.FirstFrameAbove(0.0), 37);
  EXPECT_EQ(clapOut.left, vst3Out.left);
  EXPECT_EQ(clapOut.right, vst3Out.right);
  vst3->Stop();
}

}  // namespace
}  // namespace fluvia::claptest
