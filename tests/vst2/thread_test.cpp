// The adapter in-process, as hosts call it from several threads at once: the audio thread runs
// the three process entries and the events opcode while another thread sets and reads
// parameters, moves chunks and asks for texts. The controller's calls take the instance mutex
// or none at all, the audio thread's none; under the thread sanitizer this shows the calls
// share nothing unguarded.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>
#include <vector>

#include "adapters/vst2/plugin_vst2.h"
#include "engine/engine_params.h"
#include "instrument/fluvia.h"

namespace fluvia {
namespace {

std::atomic<int> gHostCalls{0};

intptr_t CountingHost(vst2::Effect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  gHostCalls.fetch_add(1, std::memory_order_relaxed);
  return opcode == 1 ? 2400 : 0;
}

TEST(Vst2Threads, ProcessingAndDispatcherCallsRunConcurrently) {
  FluviaOptions options;
  options.api = PluginApi::VST2;
  options.presetFolder = (std::filesystem::temp_directory_path() / "fluvia-vst2-thread").string();
  auto* plugin = new IPluginVST2(std::make_unique<Fluvia>(options), &CountingHost);
  vst2::Effect* effect = plugin->Effect();
  auto dispatch = [effect](int32_t opcode, int32_t index = 0, intptr_t value = 0,
                           void* ptr = nullptr, float option = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, option);
  };
  dispatch(vst2::kOpen);
  dispatch(vst2::kSetSampleRate, 0, 0, nullptr, 48000.0f);
  dispatch(vst2::kSetBlockSize, 0, 256);
  dispatch(vst2::kMainsChanged, 0, 1);

  std::atomic<bool> audioDone{false};
  bool finite = true;
  std::thread audio([&] {
    vst2::MidiEvent note{};
    note.type = vst2::kEventMidi;
    note.byteSize = sizeof(note);
    note.midiData[0] = char(0x90);
    note.midiData[1] = 60;
    note.midiData[2] = 100;
    vst2::EventList list{1, 0, {reinterpret_cast<vst2::Event*>(&note), nullptr}};
    std::vector<float> fl(256), fr(256);
    std::vector<double> dl(256), dr(256);
    float* f[2] = {fl.data(), fr.data()};
    double* d[2] = {dl.data(), dr.data()};
    for (int block = 0; block < 400; ++block) {
      if (block % 50 == 0) dispatch(vst2::kProcessEvents, 0, 0, &list);
      effect->processReplacing(effect, f, f, 256);
      effect->processAccumulating(effect, f, f, 256);
      effect->processDoubleReplacing(effect, d, d, 256);
      for (float s : fl) finite = finite && std::isfinite(s);
    }
    audioDone = true;
  });
  std::thread controller([&] {
    // Busy for as long as the audio thread is, so that the two always overlap.
    for (int round = 0; round < 200 || !audioDone; ++round) {
      effect->setParameter(effect, kAmpMainVolume, float(round % 10) / 10.0f);
      effect->getParameter(effect, round % 26);
      char text[64] = {};
      dispatch(vst2::kGetParamDisplay, round % 26, 0, text);
      void* chunk = nullptr;
      const intptr_t size = dispatch(vst2::kGetChunk, round % 2, 0, &chunk);
      if (size > 0) {
        std::vector<uint8_t> copy(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + size);
        dispatch(vst2::kSetChunk, round % 2, size, copy.data());
      }
      char value[] = "0.4";
      dispatch(vst2::kString2Parameter, kSystemEnergyAmt, 0, value);
      dispatch(vst2::kGetProgramName, 0, 0, text);
    }
  });
  audio.join();
  controller.join();
  EXPECT_TRUE(finite);
  EXPECT_GT(gHostCalls.load(), 0);  // the want-MIDI and time requests reached the host
  dispatch(vst2::kClose);
}

}  // namespace
}  // namespace fluvia
