// The effect record and the dispatcher's answers, as a host reads them.

#include <cmath>
#include <cstring>

#include "tests/vst2/vst2_fixture.h"

namespace fluvia::vst2test {
namespace {

using Vst2Record = Vst2Test;
using Vst2Dispatcher = Vst2Test;

TEST_F(Vst2Record, DescribesTheInstrument) {
  const vst2::Effect* e = effect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numParams, 26);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x10 | 0x1000 | 0x100 | 1);  // replacing, double, synth, editor
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->uniqueId, int32_t(('V' << 24) | ('f' << 16) | ('l' << 8) | '1'));
  EXPECT_EQ(e->version, 10002);
  EXPECT_NE(e->object, nullptr);
  EXPECT_EQ(e->reserved1, 0);
  EXPECT_EQ(e->reserved2, 0);
  EXPECT_TRUE(e->dispatcher && e->processAccumulating && e->setParameter && e->getParameter &&
              e->processReplacing && e->processDoubleReplacing);
  for (char c : e->future) EXPECT_EQ(c, 0);
}

TEST_F(Vst2Dispatcher, AnswersIdentityAndCapabilityOpcodes) {
  struct Case {
    int32_t opcode;
    intptr_t expected;
  } cases[] = {
      {vst2::kIdentify, 0x4E764566},  {vst2::kGetVendorVersion, 10002},
      {vst2::kGetVstVersion, 2400},   {vst2::kGetPlugCategory, 2},
      {vst2::kGetTailSize, 0},        {vst2::kIdle, 0},
      {vst2::kProcessVarIo, 0},       {vst2::kGetProgram, 0},
      {vst2::kEditIdle, 0},           {9, 0},
      {16, 0},                        {70, 0},
      {-1, 0},                        {1000000, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Dispatch(c.opcode), c.expected) << "opcode " << c.opcode;
  }
  // The knobs and the preset selector can be automated; the others keep their index only.
  for (int index : {int(kAmpFadeInOut), int(kAmpMainVolume), int(kParticlesCollisions),
                    int(kPresetSelector), int(kSystemEnergyAmt)}) {
    EXPECT_EQ(Dispatch(vst2::kCanBeAutomated, index), 1) << index;
  }
  for (int index : {int(kHostTempoBpm), int(kPresetForward), int(kVoice00_NoteGate),
                    int(kZInitParams), 26, -1}) {
    EXPECT_EQ(Dispatch(vst2::kCanBeAutomated, index), 0) << index;
  }

  char name[64] = {};
  EXPECT_EQ(Dispatch(vst2::kGetEffectName, 0, 0, name), 1);
  EXPECT_STREQ(name, "Fluvia");
  EXPECT_EQ(Dispatch(vst2::kGetVendorString, 0, 0, name), 1);
  EXPECT_STREQ(name, "VelmoraAudio");
  EXPECT_EQ(Dispatch(vst2::kGetProductString, 0, 0, name), 1);
  for (int32_t opcode : {vst2::kGetEffectName, vst2::kGetVendorString, vst2::kGetProductString}) {
    EXPECT_EQ(Dispatch(opcode), 0) << "opcode " << opcode << " without a buffer";
  }
}

TEST_F(Vst2Dispatcher, CanDoAnswersOnlyWhatTheInstrumentDoes) {
  struct Case {
    const char* text;
    intptr_t expected;
  } cases[] = {
      {"receiveVstTimeInfo", 1}, {"receiveVstMidiEvent", 1}, {"receiveVstEvents", 1},
      {"sendVstEvents", 1},      {"sendVstMidiEvent", 1},    {"bypass", 0},
      {"offline", 0},            {"", 0},                    {"receiveVstMidiEvents", 0},
  };
  for (const Case& c : cases) {
    char text[64];
    std::strcpy(text, c.text);
    EXPECT_EQ(Dispatch(vst2::kCanDo, 0, 0, text), c.expected) << c.text;
  }
  EXPECT_EQ(Dispatch(vst2::kCanDo), 0);
}

TEST_F(Vst2Dispatcher, ParameterTextsAndValues) {
  // The knobs by their labels, their values in words; the others by their names and numbers.
  EXPECT_EQ(Text(vst2::kGetParamName, kAmpMainVolume), "Volume");
  EXPECT_EQ(Text(vst2::kGetParamName, kParticlesWeightVelocityRatio), "Kinetics");
  EXPECT_EQ(Text(vst2::kGetParamName, kPresetSelector), "Library Preset");
  EXPECT_EQ(Text(vst2::kGetParamName, kZInitParams), "zInitParams");
  plugin().SetParameter(kAmpMainVolume, 0.25f);
  EXPECT_FLOAT_EQ(plugin().GetParameter(kAmpMainVolume), 0.25f);
  EXPECT_EQ(Text(vst2::kGetParamDisplay, kAmpMainVolume), "25 %");
  EXPECT_EQ(Text(vst2::kGetParamLabel, kAmpMainVolume), "");
  plugin().SetParameter(kAmpFadeInOut, 0.5f);
  EXPECT_EQ(Text(vst2::kGetParamDisplay, kAmpFadeInOut), "2.50 s");
  plugin().SetParameter(kPresetSelector, 1.0f / 10001.0f);
  EXPECT_EQ(Text(vst2::kGetParamDisplay, kPresetSelector), "None");
  EXPECT_EQ(std::stod(Text(vst2::kGetParamDisplay, kHostTempoBpm)), 120.0);
  // Out of range: nothing is set and the answer is 0 or an untouched buffer.
  for (int index : {-1, 26, 1 << 30}) {
    plugin().SetParameter(index, 0.9f);
    EXPECT_EQ(plugin().GetParameter(index), 0.0f);
    for (int32_t opcode : {vst2::kGetParamName, vst2::kGetParamLabel, vst2::kGetParamDisplay}) {
      char text[32] = "untouched";
      EXPECT_EQ(Dispatch(opcode, index, 0, text), 0);
      EXPECT_STREQ(text, "untouched");
    }
  }
  EXPECT_FLOAT_EQ(plugin().GetParameter(kAmpMainVolume), 0.25f);
  // A faulty host's NaN or out-of-range value leaves a value inside the range.
  for (float bad : {NAN, -3.0f, 7.0f}) {
    plugin().SetParameter(kAmpMainVolume, bad);
    const float value = plugin().GetParameter(kAmpMainVolume);
    EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << bad;
  }
  for (int32_t opcode : {vst2::kGetParamName, vst2::kGetParamLabel, vst2::kGetParamDisplay}) {
    EXPECT_EQ(Dispatch(opcode, 0), 0);  // no buffer: nothing written
  }
}

// Every text the module copies into a host buffer stops at the bound for that buffer and is
// terminated; the bytes after it stay as the host left them.
TEST_F(Vst2Dispatcher, TextsNeverOverrunTheHostsBuffer) {
  const std::string longName(200, 'x');
  std::vector<char> name(longName.begin(), longName.end());
  name.push_back('\0');
  Dispatch(vst2::kSetProgramName, 0, 0, name.data());

  struct Case {
    int32_t opcode;
    int32_t index;
    size_t bound;
  };
  std::vector<Case> cases = {
      {vst2::kGetProgramName, 0, vst2::kProgramNameBytes},
      {vst2::kGetProgramNameIndexed, 0, vst2::kProgramNameBytes},
      {vst2::kGetEffectName, 0, vst2::kEffectNameBytes},
      {vst2::kGetVendorString, 0, vst2::kVendorTextBytes},
      {vst2::kGetProductString, 0, vst2::kProductTextBytes},
  };
  for (int i = 0; i < 26; ++i) {
    for (int32_t opcode : {vst2::kGetParamName, vst2::kGetParamLabel, vst2::kGetParamDisplay}) {
      cases.push_back({opcode, i, vst2::kParamTextBytes});
    }
  }
  for (const Case& c : cases) {
    char buffer[300];
    std::memset(buffer, 0x5A, sizeof(buffer));
    Dispatch(c.opcode, c.index, 0, buffer);
    const void* end = std::memchr(buffer, 0, c.bound);
    ASSERT_NE(end, nullptr) << "opcode " << c.opcode << " index " << c.index << " unterminated";
    for (size_t k = c.bound; k < sizeof(buffer); ++k) {
      ASSERT_EQ(buffer[k], 0x5A) << "opcode " << c.opcode << " index " << c.index
                                 << " wrote byte " << k;
    }
  }
  // Long texts are cut, not dropped.
  EXPECT_EQ(Text(vst2::kGetProgramName), std::string(vst2::kProgramNameBytes - 1, 'x'));
  EXPECT_EQ(Text(vst2::kGetParamName, kVoice00_NoteVelocity),
            std::string("Voice00_NoteVelocity").substr(0, vst2::kParamTextBytes - 1));
  // The display of HostTempoBpm at 1000 with its decimals fits whole.
  plugin().SetParameter(kHostTempoBpm, 1.0f);
  EXPECT_EQ(std::stod(Text(vst2::kGetParamDisplay, kHostTempoBpm)), 1000.0);
}

TEST_F(Vst2Dispatcher, StringToParameter) {
  struct Case {
    int index;
    const char* text;
    intptr_t result;
    double normalised;  // expected afterwards; < 0: unchanged
  } cases[] = {
      // The words a knob shows; a bare number counts in the knob's unit.
      {kAmpMainVolume, "50", 1, 0.5},
      {kAmpMainVolume, " +25 %", 1, 0.25},
      {kAmpMainVolume, "700", 1, 1.0},  // clamped to the range
      {kAmpMainVolume, "-2", 1, 0.0},
      {kAmpFadeInOut, "900 ms", 1, 0.3},
      {kParticlesCollisions, "20 kHz", 1, 1.0},
      {kHostTempoBpm, "250", 1, 0.25},  // a hidden one: its plain number
      {kAmpMainVolume, "loud", 0, -1},  // no value: nothing changes
      {kAmpMainVolume, "5 Hz", 0, -1},
      {kAmpMainVolume, "nan", 0, -1},
      {kAmpMainVolume, "", 0, -1},
  };
  for (const Case& c : cases) {
    plugin().SetParameter(c.index, 0.6f);
    char text[64];
    std::strcpy(text, c.text);
    EXPECT_EQ(Dispatch(vst2::kString2Parameter, c.index, 0, text), c.result) << c.text;
    const double expected = c.normalised < 0 ? 0.6 : c.normalised;
    EXPECT_NEAR(plugin().GetParameter(c.index), expected, 1e-6) << c.text;
  }
  char half[] = "0.5";
  EXPECT_EQ(Dispatch(vst2::kString2Parameter, 26, 0, half), 0);
  EXPECT_EQ(Dispatch(vst2::kString2Parameter, -1, 0, half), 0);
  EXPECT_EQ(Dispatch(vst2::kString2Parameter, kAmpMainVolume), 1);  // no text: nothing to set
}

TEST_F(Vst2Dispatcher, VendorSpecificFormatsANormalisedValue) {
  char text[64] = {};
  EXPECT_EQ(Dispatch(vst2::kVendorSpecific, 7, kHostTempoBpm, text, 0.5f), 0xBEEF);
  EXPECT_EQ(std::stod(text), 500.0);
  std::strcpy(text, "stale");
  EXPECT_EQ(Dispatch(vst2::kVendorSpecific, 7, 99, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(Dispatch(vst2::kVendorSpecific, 7, 0, nullptr, 0.5f), 0);
  // Every parameter of this instrument is continuous.
  EXPECT_EQ(Dispatch(vst2::kVendorSpecific, 8, kAmpMainVolume), 0);
  EXPECT_EQ(Dispatch(vst2::kVendorSpecific, 8, 99), 0);
  EXPECT_EQ(Dispatch(vst2::kVendorSpecific, 3, 0, text), 0);
}

TEST_F(Vst2Dispatcher, PinsArrangementsAndKeyNames) {
  struct Case {
    int32_t opcode;
    int index;
    intptr_t result;
    int32_t flags;
    const char* label;
  } cases[] = {
      {vst2::kGetInputProperties, 0, 1, 3, "Input 1"},
      {vst2::kGetInputProperties, 1, 1, 1, "Input 2"},
      {vst2::kGetOutputProperties, 0, 1, 3, "Output 1"},
      {vst2::kGetOutputProperties, 1, 1, 1, "Output 2"},
      {vst2::kGetOutputProperties, 2, 0, -1, "untouched"},
      {vst2::kGetInputProperties, -1, 0, -1, "untouched"},
  };
  for (const Case& c : cases) {
    vst2::PinProperties pin{};
    pin.flags = -1;
    std::strcpy(pin.label, "untouched");
    EXPECT_EQ(Dispatch(c.opcode, c.index, 0, &pin), c.result);
    EXPECT_EQ(pin.flags, c.flags);
    EXPECT_STREQ(pin.label, c.label);
  }
  EXPECT_EQ(Dispatch(vst2::kGetOutputProperties, 0), 0);

  vst2::SpeakerArrangement* in = nullptr;
  vst2::SpeakerArrangement* out = nullptr;
  EXPECT_EQ(Dispatch(vst2::kGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, 1);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->type, 1);
  EXPECT_EQ(out->numChannels, 2);
  EXPECT_EQ(Dispatch(vst2::kGetSpeakerArrangement), 1);  // nothing asked for, nothing written
  vst2::SpeakerArrangement mono{};
  mono.numChannels = 1;
  EXPECT_EQ(Dispatch(vst2::kSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&mono), &mono), 1);
  vst2::SpeakerArrangement huge{};
  huge.numChannels = 1 << 30;
  EXPECT_EQ(Dispatch(vst2::kSetSpeakerArrangement, 0, 0, &huge), 1);

  vst2::MidiKeyName key{};
  key.keyNumber = 60;
  std::memset(key.keyName, 'q', sizeof(key.keyName));
  const intptr_t named = Dispatch(vst2::kGetMidiKeyName, 0, 0, &key);
  EXPECT_EQ(named != 0, key.keyName[0] != 0);
  EXPECT_NE(std::memchr(key.keyName, 0, sizeof(key.keyName)), nullptr);
  key.keyNumber = -5000;
  Dispatch(vst2::kGetMidiKeyName, 0, 0, &key);
  EXPECT_NE(std::memchr(key.keyName, 0, sizeof(key.keyName)), nullptr);
  EXPECT_EQ(Dispatch(vst2::kGetMidiKeyName), 0);
}

TEST_F(Vst2Dispatcher, AsksTheHostWhoItIsOnceWhenOpened) {
  plugin().SetProductString("Ardour");
  plugin().SetVendorVersion(70300);
  Dispatch(vst2::kOpen);
  Dispatch(vst2::kOpen);
  EXPECT_EQ(plugin().CountCalls(vst2::kHostGetProductString), 1);
  EXPECT_EQ(plugin().CountCalls(vst2::kHostGetVendorVersion), 1);
}

TEST_F(Vst2Dispatcher, HighSampleRatesAddNoLatency) {
  // Above 48 kHz the engine runs at the base rate and is upsampled without latency.
  for (double rate : {88200.0, 96000.0, 192000.0}) {
    plugin().Start(rate, 256);
    EXPECT_EQ(effect()->initialDelay, 0) << rate;
    Note(plugin(), 60, 100);
    const Stereo out = RenderFloat(plugin(), 100, 256);
    EXPECT_GT(out.Peak(), 0.001) << rate;
  }
}

TEST_F(Vst2Dispatcher, RefusesSampleRatesTheEngineCannotUse) {
  plugin().Start(48000.0, 256);
  Note(plugin(), 60, 100);
  for (float rate : {0.0f, -44100.0f, NAN, INFINITY}) {
    EXPECT_EQ(Dispatch(vst2::kSetSampleRate, 0, 0, nullptr, rate), 0);
  }
  // Block sizes beyond any host's are taken in pieces rather than allocated whole.
  Dispatch(vst2::kSetBlockSize, 0, intptr_t(1) << 40);
  Dispatch(vst2::kSetBlockSize, 0, -5);
  Dispatch(vst2::kSetBlockSize, 0, 256);
  const Stereo out = RenderFloat(plugin(), 150, 256);
  EXPECT_GT(out.Peak(), 0.001);
  for (float s : out.left) ASSERT_TRUE(std::isfinite(s));
}

}  // namespace
}  // namespace fluvia::vst2test
