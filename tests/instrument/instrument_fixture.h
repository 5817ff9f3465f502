#pragma once
// Drives the instrument the way a host adapter does: sample rate and block size, ResetDsp,
// MIDI through ProcessMidi on the audio side, audio through the base's 32-bit buffers.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_params.h"
#include "instrument/fluvia.h"

namespace fluvia::testing {

// Test double of a format adapter that records what reaches the host.
class RecordingHost : public IHostLink {
 public:
  void BeginParamEdit(int) override {}
  void ReportParamChange(int index, double) override { reported.push_back(index); }
  void EndParamEdit(int) override {}
  void ReportPresetChange() override {}
  int32_t SamplePosition() override { return 0; }
  double HostTempo() override { return tempo; }
  void TimeSignature(int& n, int& d) override { n = 4, d = 4; }
  void FillTimeInfo(TimeInfo&) override {}
  void ResizeEditor(int, int) override {}
  bool SendMidi(const MidiMessage&) override { return false; }
  std::vector<int> reported;
  double tempo = 120.0;
};

// Instruments under test read presets from a folder of their own (empty unless a test fills
// it), never from the user's preset folder.
inline FluviaOptions TestOptions() {
  FluviaOptions options;
  options.presetFolder = ::testing::TempDir() + "fluvia-instrument-presets/";
  return options;
}

class InstrumentTest : public ::testing::Test {
 protected:
  static constexpr int kBlock = 256;

  InstrumentTest() {
    plugin.SetHostLink(&host);
    plugin.SetInputChannelConnections(0, 2, true);
    plugin.SetOutputChannelConnections(0, 2, true);
    plugin.SetSampleRate(48000.0);
    plugin.SetMaxBlockSize(kBlock);
    plugin.ResetDsp();
  }

  void Midi(uint8_t status, uint8_t data1, uint8_t data2, int offset = 0) {
    AudioThreadScope audio(plugin);
    plugin.ProcessMidi({offset, status, data1, data2});
  }
  void NoteOn(int key, int velocity = 100) { Midi(0x90, uint8_t(key), uint8_t(velocity)); }
  void NoteOff(int key) { Midi(0x80, uint8_t(key), 0); }
  void Controller(int number, int value) { Midi(0xB0, uint8_t(number), uint8_t(value)); }

  // One host block; returns the peak of both channels.
  float Block(int frames = kBlock) {
    left.assign(size_t(frames), 0.f);
    right.assign(size_t(frames), 0.f);
    float* outs[] = {left.data(), right.data()};
    AudioThreadScope audio(plugin);
    plugin.AttachOutputBuffers(0, 2, outs);
    plugin.ProcessBuffers(frames);
    float peak = 0.f;
    for (int i = 0; i < frames; ++i) {
      peak = std::max(peak, std::max(std::abs(left[size_t(i)]), std::abs(right[size_t(i)])));
    }
    return peak;
  }

  double Value(int index) const { return const_cast<Fluvia&>(plugin).GetParam(index)->Value(); }
  double EngineValue(int index) const { return plugin.Engine().Parameter(index); }

  RecordingHost host;
  Fluvia plugin{TestOptions()};
  std::vector<float> left, right;
};

}  // namespace fluvia::testing
