// What a faulty host may hand the module: missing features, unconnected ports, damaged atom
// sequences, non-finite control values and foreign state. Each has a defined result.

#include <cmath>
#include <functional>
#include <cstring>
#include <limits>

#include "engine/engine_params.h"
#include "lv2/atom/atom.h"
#include "lv2/midi/midi.h"
#include "lv2/units/units.h"
#include "tests/lv2/lv2_fixture.h"

namespace fluvia::lv2test {
namespace {

using Lv2BadInput = Lv2Test;

TEST_F(Lv2BadInput, AHostWithoutTheUridMapIsRefused) {
  lv2host::Lv2Instance::Options options;
  options.offerUridMap = false;
  std::string error;
  EXPECT_EQ(lv2host::Lv2Instance::Create(*module_, Defaults(), kLv2FirstControlPort, options,
                                         error),
            nullptr);
  // Unusable rates are refused as well.
  for (double rate : {0.0, -48000.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    lv2host::Lv2Instance::Options bad;
    bad.sampleRate = rate;
    EXPECT_EQ(lv2host::Lv2Instance::Create(*module_, Defaults(), kLv2FirstControlPort, bad, error),
              nullptr)
        << rate;
  }
}

TEST_F(Lv2BadInput, UnconnectedPortsAreSkipped) {
  const LV2_Descriptor& d = lv2().Descriptor();
  LV2_Handle h = lv2().Handle();
  for (uint32_t port = 0; port < Lv2PortCount(ControlPorts().size()) + 3; ++port) {
    d.connect_port(h, port, nullptr);  // also ports beyond the last
  }
  d.run(h, 256);
  std::vector<float> left(256, 1.0f);
  d.connect_port(h, kLv2OutLeftPort, left.data());
  d.run(h, 256);  // one output only, no events, no controls
  for (float s : left) ASSERT_EQ(s, 0.0f);
}

// A sequence written byte by byte: header, then events of the given type and body.
struct RawSequence {
  std::vector<uint8_t> bytes;
  explicit RawSequence(lv2host::UridMap& u) : urids(u) {
    Put32(0);  // size, set by Finish
    Put32(u.Map(LV2_ATOM__Sequence));
    Put32(0);  // unit: frames
    Put32(0);
  }
  void Put32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
  }
  void Unit(uint32_t unit) { std::memcpy(bytes.data() + 8, &unit, 4); }
  void Event(int64_t frame, uint32_t type, std::vector<uint8_t> body, uint32_t claimedSize) {
    for (int i = 0; i < 8; ++i) bytes.push_back(uint8_t(uint64_t(frame) >> (8 * i)));
    Put32(claimedSize);
    Put32(type);
    bytes.insert(bytes.end(), body.begin(), body.end());
    while (bytes.size() % 8) bytes.push_back(0);
  }
  void Midi(int64_t frame, std::vector<uint8_t> body) {
    const uint32_t size = uint32_t(body.size());
    Event(frame, urids.Map(LV2_MIDI__MidiEvent), std::move(body), size);
  }
  void Finish(uint32_t claimedBody = 0) {
    const uint32_t body = claimedBody ? claimedBody : uint32_t(bytes.size() - 8);
    std::memcpy(bytes.data(), &body, 4);
  }
  lv2host::UridMap& urids;
};

TEST_F(Lv2BadInput, DamagedSequencesAreReadAsFarAsTheyHold) {
  struct Case {
    const char* what;
    std::function<void(RawSequence&)> write;
    int sounds;  // 1: a note-on of the sequence gets through, 0: nothing sounds, -1: not judged
    int noteNumber = -1;  // when set: the note the instrument took from the first block
    bool gateOpen = false;
  };
  const std::vector<Case> cases = {
      {"events out of order", [](RawSequence& s) {
         s.Midi(200, {0x90, 60, 100});
         s.Midi(10, {0x80, 61, 0});
         s.Finish();
       }, 1},
      {"an event of unknown type before the note", [](RawSequence& s) {
         s.Event(0, s.urids.Map("urn:fluvia:test#nothing"), {1, 2, 3, 4, 5}, 5);
         s.Midi(5, {0x90, 60, 100});
         s.Finish();
       }, 1},
      {"MIDI that is no channel message", [](RawSequence& s) {
         s.Midi(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
         s.Midi(0, {0x90, 0x80, 100});  // a data byte with the top bit
         s.Midi(0, {0x90, 60});          // too short
         s.Midi(0, {});
         s.Finish();
       }, 0},
      {"an event that claims more than the sequence holds", [](RawSequence& s) {
         s.Event(0, s.urids.Map(LV2_MIDI__MidiEvent), {0x90, 60, 100}, 5000);
         s.Finish();
       }, 0},
      {"a sequence that claims more than the buffer", [](RawSequence& s) {
         s.Midi(0, {0x90, 60, 100});
         s.Finish(0xFFFFFFF0u);
       }, 1},
      {"frames outside the block", [](RawSequence& s) {
         s.Midi(-5, {0x90, 60, 100});
         s.Midi(int64_t(1) << 40, {0x80, 60, 0});
         s.Finish();
       }, -1, 60, false},
      // Ardour 7.3 never writes the unit of its input sequences: some of its buffers hold the
      // upper half of an old pointer there, and the notes of those blocks must still play.
      {"a unit the host left stale", [](RawSequence& s) {
         s.Unit(0x5647u);
         s.Midi(5, {0x90, 60, 100});
         s.Finish();
       }, 1},
      {"a unit that names frames", [](RawSequence& s) {
         s.Unit(s.urids.Map(LV2_UNITS__frame));
         s.Midi(5, {0x90, 60, 100});
         s.Finish();
       }, 1},
      {"a unit that names beats", [](RawSequence& s) {
         s.Unit(s.urids.Map(LV2_UNITS__beat));
         s.Midi(0, {0x90, 60, 100});
         s.Finish();
       }, 0},
      {"a unit that names beat time stamps", [](RawSequence& s) {
         s.Unit(s.urids.Map(LV2_ATOM__beatTime));
         s.Midi(0, {0x90, 60, 100});
         s.Finish();
       }, 0},
      {"a position object whose property runs past it", [](RawSequence& s) {
         lv2host::UridMap& u = s.urids;
         std::vector<uint8_t> body;
         auto put = [&](uint32_t v) {
           for (int i = 0; i < 4; ++i) body.push_back(uint8_t(v >> (8 * i)));
         };
         put(0);
         put(u.Map("http://lv2plug.in/ns/ext/time#Position"));
         put(u.Map("http://lv2plug.in/ns/ext/time#beatsPerMinute"));
         put(0);
         put(400);  // a float of 400 bytes
         put(u.Map(LV2_ATOM__Float));
         s.Event(0, u.Map(LV2_ATOM__Object), body, uint32_t(body.size()));
         s.Midi(1, {0x90, 60, 100});
         s.Finish();
       }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto instance = NewInstance();
    ASSERT_TRUE(instance);
    RawSequence sequence(instance->Urids());
    c.write(sequence);
    std::vector<uint8_t>& buffer = instance->EventBuffer();
    ASSERT_LE(sequence.bytes.size(), buffer.size());
    std::fill(buffer.begin(), buffer.end(), uint8_t(0xEE));
    std::copy(sequence.bytes.begin(), sequence.bytes.end(), buffer.begin());
    std::vector<float> left(512), right(512);
    instance->Descriptor().connect_port(instance->Handle(), kLv2OutLeftPort, left.data());
    instance->Descriptor().connect_port(instance->Handle(), kLv2OutRightPort, right.data());
    instance->Descriptor().run(instance->Handle(), 512);
    instance->ClearEvents();
    if (c.noteNumber >= 0) {
      std::vector<lv2host::StateProperty> state;
      ASSERT_TRUE(instance->SaveState(state));
      ASSERT_EQ(state.size(), 1u);
      EXPECT_EQ(StateParam(state[0].value, kVoice00_NoteNumber), c.noteNumber);
      EXPECT_EQ(StateParam(state[0].value, kVoice00_NoteGate), c.gateOpen ? 1.0 : 0.0);
    }
    double peak = 0.0;
    for (int b = 0; b < 40; ++b) {
      instance->Run(left.data(), right.data(), 512);
      for (float s : left) {
        ASSERT_TRUE(std::isfinite(s));
        peak = std::max(peak, double(std::fabs(s)));
      }
    }
    if (c.sounds >= 0) {
      EXPECT_EQ(peak > 1e-4, c.sounds == 1) << "peak " << peak;
    }
  }
}

TEST_F(Lv2BadInput, NonFiniteControlValuesAreIgnored) {
  const int volume = SlotOf(kAmpMainVolume);
  ASSERT_GE(volume, 0);
  Stereo out;
  for (float bad : {std::nanf(""), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
    lv2().Controls()[size_t(volume)] = bad;
    Render(out, 1, 64);
    EXPECT_EQ(StateParam(SavedState(), kAmpMainVolume), 0.75);
  }
  // Out of range is clamped to the range.
  lv2().Controls()[size_t(volume)] = 7.0f;
  Render(out, 1, 64);
  EXPECT_EQ(StateParam(SavedState(), kAmpMainVolume), 1.0);
  EXPECT_TRUE(out.AllFinite());
}

TEST_F(Lv2BadInput, ForeignStateIsRefusedAndChangesNothing) {
  const std::vector<uint8_t> before = SavedState();
  ASSERT_EQ(before.size(), 212u);
  const std::string key = "https://velmora.audio/plugins/fluvia#state";
  const std::string chunk = "http://lv2plug.in/ns/ext/atom#Chunk";
  std::vector<uint8_t> changed = before;
  changed.at(8 * kAmpMainVolume + 7) ^= 0x01;
  struct Case {
    const char* what;
    std::vector<lv2host::StateProperty> properties;
    LV2_State_Status expected;
  };
  const std::vector<Case> cases = {
      {"no property", {}, LV2_STATE_ERR_NO_PROPERTY},
      {"wrong type", {{key, "http://lv2plug.in/ns/ext/atom#String", 0, changed}},
       LV2_STATE_ERR_BAD_TYPE},
      {"too short", {{key, chunk, 0, std::vector<uint8_t>(changed.begin(), changed.end() - 1)}},
       LV2_STATE_ERR_UNKNOWN},
      {"too long", {{key, chunk, 0, [&] { auto v = changed; v.push_back(0); return v; }()}},
       LV2_STATE_ERR_UNKNOWN},
      {"empty", {{key, chunk, 0, {}}}, LV2_STATE_ERR_UNKNOWN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(lv2().RestoreState(c.properties), c.expected);
    EXPECT_EQ(SavedState(), before);
  }
  // Values a damaged state holds are clamped into each range; NaN keeps the value.
  std::vector<uint8_t> wild = before;
  const double huge = 1e300, nan = std::nan("");
  std::memcpy(wild.data() + 8 * kAmpMainVolume, &huge, 8);
  std::memcpy(wild.data() + 8 * kSoundfieldAmt, &nan, 8);
  ASSERT_EQ(lv2().RestoreState({{key, chunk, 0, wild}}), LV2_STATE_SUCCESS);
  const std::vector<uint8_t> after = SavedState();
  EXPECT_EQ(StateParam(after, kAmpMainVolume), 1.0);
  EXPECT_EQ(StateParam(after, kSoundfieldAmt), StateParam(before, kSoundfieldAmt));
}

}  // namespace
}  // namespace fluvia::lv2test
