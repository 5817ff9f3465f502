// What a faulty host may hand the module: null records, calls in the wrong state, events of
// unknown types or spaces or cut short, parameters that do not exist, values that are not
// finite, odd buffers and hosts with missing entries. Each has a defined result and leaves the
// instance working.

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/clap/clap_fixture.h"

namespace fluvia::claptest {
namespace {

using ClapBadInput = ClapTest;

TEST_F(ClapBadInput, NullAndForeignRecordsAreRefusedEverywhere) {
  const clap::Plugin& p = *record();
  EXPECT_FALSE(p.init(nullptr));
  EXPECT_FALSE(p.activate(nullptr, 48000.0, 1, 512));
  EXPECT_FALSE(p.startProcessing(nullptr));
  EXPECT_EQ(p.process(nullptr, nullptr), clap::kProcessError);
  EXPECT_EQ(p.getExtension(nullptr, clap::kExtParams), nullptr);
  p.deactivate(nullptr);
  p.stopProcessing(nullptr);
  p.reset(nullptr);
  p.onMainThread(nullptr);
  p.destroy(nullptr);
  // A copy of the record is not the instance's own record.
  clap::Plugin foreign = p;
  EXPECT_FALSE(foreign.activate(&foreign, 48000.0, 1, 512));
  EXPECT_EQ(foreign.getExtension(&foreign, clap::kExtParams), nullptr);
  foreign.destroy(&foreign);  // does not destroy the instance

  const auto* params = plugin().Ext<clap::PluginParams>(clap::kExtParams);
  double value = 0.0;
  EXPECT_EQ(params->count(nullptr), 0u);
  EXPECT_FALSE(params->getValue(nullptr, 0, &value));
  params->flush(nullptr, nullptr, nullptr);
  params->flush(record(), nullptr, nullptr);
  const auto* gui = plugin().Ext<clap::PluginGui>(clap::kExtGui);
  EXPECT_FALSE(gui->create(nullptr, clap::kWindowApiX11, false));
  gui->destroy(nullptr);
  uint32_t w = 0, h = 0;
  EXPECT_FALSE(gui->getSize(nullptr, &w, &h));
  EXPECT_FALSE(gui->getSize(record(), nullptr, &h));
  const auto* ports = plugin().Ext<clap::PluginAudioPorts>(clap::kExtAudioPorts);
  EXPECT_EQ(ports->count(nullptr, false), 0u);
  const auto* timers = plugin().Ext<clap::PluginTimerSupport>(clap::kExtTimerSupport);
  timers->onTimer(nullptr, 1);
  timers->onTimer(record(), 12345);  // no editor open: nothing
  const auto* fds = plugin().Ext<clap::PluginPosixFdSupport>(clap::kExtPosixFdSupport);
  fds->onFd(record(), 0, clap::kPosixFdRead);

  // The instance still works.
  Start();
  plugin().Events().NoteOn(60, 1.0, 0);
  Stereo out;
  Render(out, 10, 512);
  EXPECT_GT(out.Peak(), 1e-3);
}

TEST_F(ClapBadInput, CallsInTheWrongStateHaveDefinedResults) {
  const clap::Plugin& p = *record();
  std::vector<float> left(64), right(64);
  EXPECT_EQ(plugin().Process(left.data(), right.data(), 64), clap::kProcessError);
  EXPECT_FALSE(p.startProcessing(&p));
  p.stopProcessing(&p);
  p.deactivate(&p);
  p.reset(&p);

  for (double rate : {0.0, -48000.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    EXPECT_FALSE(p.activate(&p, rate, 1, 512)) << rate;
  }
  EXPECT_FALSE(p.activate(&p, 48000.0, 1, 0));
  ASSERT_TRUE(p.activate(&p, 48000.0, 1, 512));
  EXPECT_FALSE(p.activate(&p, 44100.0, 1, 512));  // twice: refused, still active as before
  // process before start_processing is taken as the host meant it.
  plugin().Events().NoteOn(60, 1.0, 0);
  EXPECT_EQ(plugin().Process(left.data(), right.data(), 64), clap::kProcessContinue);
  p.reset(&p);  // voices off
  plugin().Events().Clear();
  EXPECT_EQ(plugin().Process(left.data(), right.data(), 64), clap::kProcessContinue);
  EXPECT_EQ(left[63], 0.0f);
  p.stopProcessing(&p);
  p.deactivate(&p);
  EXPECT_EQ(plugin().Process(left.data(), right.data(), 64), clap::kProcessError);

  // A host may ask for blocks of any length; the module prepares for its largest piece.
  ASSERT_TRUE(plugin().Start(48000.0, 1, UINT32_MAX));
  plugin().Events().NoteOn(60, 1.0, 70000);
  std::vector<float> longLeft(100000), longRight(100000);
  EXPECT_EQ(plugin().Process(longLeft.data(), longRight.data(), 100000), clap::kProcessContinue);
  EXPECT_EQ(longLeft[69999], 0.0f);
  EXPECT_NE(longLeft[99999], 0.0f);

  // Destroying an active, processing instance is the host's fault, not a crash.
  const clap::PluginFactory& factory = *module_->Factory();
  const clap::Plugin* raw = factory.createPlugin(&factory, host_.Record(), "audio.velmora.fluvia");
  ASSERT_NE(raw, nullptr);
  ASSERT_TRUE(raw->init(raw));
  ASSERT_TRUE(raw->activate(raw, 48000.0, 1, 256));
  ASSERT_TRUE(raw->startProcessing(raw));
  raw->destroy(raw);
}

TEST_F(ClapBadInput, UnknownOrBrokenEventsAreIgnored) {
  Start();
  claphost::InputEventList& events = plugin().Events();
  // Another space, unknown types, headers that claim less than their type needs.
  clap::EventNote note{};
  note.header = {sizeof(note), 0, 7, clap::kEventNoteOn, 0};
  note.channel = 0;
  note.key = 60;
  note.velocity = 1.0;
  events.Add(&note, sizeof note);
  note.header.spaceId = clap::kCoreEventSpace;
  note.header.type = 999;
  events.Add(&note, sizeof note);
  note.header.type = clap::kEventNoteOn;
  note.header.size = sizeof(clap::EventHeader);
  events.Add(&note, sizeof note);
  note.header.size = 3;
  events.Add(&note, sizeof note);
  // Notes outside MIDI's range and a velocity that is not a number (heard as zero).
  events.NoteOn(128, 1.0, 0);
  events.NoteOn(-5, 1.0, 0);
  events.NoteOn(60, 1.0, 0, 16);
  events.NoteOn(60, 1.0, 0, -1);
  events.NoteOff(-1, 0);
  // MIDI system messages and running-status data bytes.
  events.Midi(0xF8, 0, 0, 0);
  events.Midi(0x45, 60, 100, 0);
  events.Midi(0xFF, 0xFF, 0xFF, 0);
  // Parameter values for no parameter, not finite, of another space.
  events.ParamValue(26, 0.5, 0);
  events.ParamValue(0xFFFFFFFF, 0.5, 0);
  events.ParamValue(ParamId(kAmpMainVolume), std::nan(""), 0);
  events.ParamValue(ParamId(kAmpMainVolume), std::numeric_limits<double>::infinity(), 3);
  clap::EventParamValue foreignValue{};
  foreignValue.header = {sizeof(foreignValue), 0, 3, clap::kEventParamValue, 0};
  foreignValue.paramId = ParamId(kSoundfieldAmt);
  foreignValue.value = 1.0;
  events.Add(&foreignValue, sizeof foreignValue);
  // Other core events the instrument does not use.
  clap::EventParamGesture gesture{};
  gesture.header = {sizeof(gesture), 0, clap::kCoreEventSpace, clap::kEventParamGestureBegin, 0};
  gesture.paramId = ParamId(kAmpMainVolume);
  events.Add(&gesture, sizeof gesture);
  clap::EventMidiSysex sysex{};
  sysex.header = {sizeof(sysex), 0, clap::kCoreEventSpace, clap::kEventMidiSysex, 0};
  events.Add(&sysex, sizeof sysex);
  // Times far beyond the block.
  events.ParamValue(ParamId(kContainerDamping), 0.5, UINT32_MAX);

  Stereo out;
  Render(out, 20, 512);
  EXPECT_EQ(out.Peak(), 0.0);
  EXPECT_TRUE(out.AllFinite());
  EXPECT_EQ(plugin().Value(ParamId(kAmpMainVolume)), 0.75);
  EXPECT_EQ(plugin().Value(ParamId(kSoundfieldAmt)), 0.0);
  EXPECT_EQ(plugin().Value(ParamId(kContainerDamping)), 0.5);  // acts once its block is over

  // An event list whose entries are missing, and one without entries at all.
  clap::InputEvents holes{nullptr, [](const clap::InputEvents*) -> uint32_t { return 5; },
                          [](const clap::InputEvents*, uint32_t) -> const clap::EventHeader* {
                            return nullptr;
                          }};
  clap::InputEvents empty{nullptr, nullptr, nullptr};
  float l[64], r[64];
  float* channels[2] = {l, r};
  clap::AudioBuffer output{channels, nullptr, 2, 0, 0};
  clap::Process process{};
  process.framesCount = 64;
  process.audioOutputs = &output;
  process.audioOutputsCount = 1;
  for (const clap::InputEvents* list : {&holes, &empty}) {
    process.inEvents = list;
    EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
  }
}

// Buffers that are missing, narrower or wider than the port.
TEST_F(ClapBadInput, OddOutputBuffersAreFilledAsFarAsTheyGo) {
  Start(48000.0, 256);
  plugin().Events().NoteOn(60, 1.0, 0);
  Stereo warm;
  Render(warm, 10, 256);

  clap::Process process{};
  process.framesCount = 256;
  std::vector<float> a(256, 9.0f), b(256, 9.0f), c(256, 9.0f), d(256, 9.0f);
  float* four[4] = {a.data(), b.data(), c.data(), d.data()};
  float* withHole[2] = {a.data(), nullptr};
  // No output port at all.
  EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
  // A port without arrays.
  clap::AudioBuffer none{nullptr, nullptr, 2, 0, 0};
  process.audioOutputs = &none;
  process.audioOutputsCount = 1;
  EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
  // One channel.
  clap::AudioBuffer mono{four, nullptr, 1, 0, 0};
  process.audioOutputs = &mono;
  EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
  EXPECT_NE(a[100], 9.0f);
  EXPECT_EQ(b[100], 9.0f);
  // Four channels: the two beyond the instrument's are silenced.
  clap::AudioBuffer wide{four, nullptr, 4, 0, 0};
  process.audioOutputs = &wide;
  EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
  EXPECT_NE(b[100], 9.0f);
  EXPECT_EQ(c[100], 0.0f);
  EXPECT_EQ(d[200], 0.0f);
  EXPECT_EQ(wide.constantMask, 0b1100u);
  // A channel array with a hole.
  clap::AudioBuffer holed{withHole, nullptr, 2, 0, 0};
  process.audioOutputs = &holed;
  EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
  // Zero frames.
  process.framesCount = 0;
  EXPECT_EQ(record()->process(record(), &process), clap::kProcessContinue);
}

// A host without extensions, or with extension tables whose entries are missing, still gets a
// working instance.
TEST(ClapBadHost, HostsWithMissingEntriesGetAWorkingInstance) {
  auto module = LoadModuleOrFail();
  ASSERT_TRUE(module);
  const clap::PluginFactory& factory = *module->Factory();
  claphost::ClapHost harness;
  clap::Host bare = *harness.Record();
  bare.getExtension = nullptr;
  bare.requestCallback = nullptr;
  bare.name = nullptr;
  const clap::Plugin* plugin = factory.createPlugin(&factory, &bare, "audio.velmora.fluvia");
  ASSERT_NE(plugin, nullptr);
  ASSERT_TRUE(plugin->init(plugin));
  ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 128));
  const auto* gui = static_cast<const clap::PluginGui*>(plugin->getExtension(plugin, clap::kExtGui));
  ASSERT_TRUE(gui->create(plugin, clap::kWindowApiX11, false));
  gui->destroy(plugin);
  plugin->destroy(plugin);

  // Extensions whose entries are all missing.
  static const clap::HostThreadCheck kNoChecks{nullptr, nullptr};
  static const clap::HostParams kNoParams{nullptr, nullptr, nullptr};
  static const clap::HostLog kNoLog{nullptr};
  clap::Host hollow = *harness.Record();
  hollow.getExtension = [](const clap::Host*, const char* id) -> const void* {
    if (std::strcmp(id, clap::kExtThreadCheck) == 0) return &kNoChecks;
    if (std::strcmp(id, clap::kExtParams) == 0) return &kNoParams;
    if (std::strcmp(id, clap::kExtLog) == 0) return &kNoLog;
    return nullptr;
  };
  plugin = factory.createPlugin(&factory, &hollow, "audio.velmora.fluvia");
  ASSERT_NE(plugin, nullptr);
  ASSERT_TRUE(plugin->init(plugin));
  EXPECT_FALSE(plugin->activate(plugin, 0.0, 1, 128));  // would log, through nothing
  ASSERT_TRUE(plugin->activate(plugin, 48000.0, 1, 128));
  plugin->destroy(plugin);
}

// Where the host offers thread checks, calls on the wrong thread are noted in its log, and
// the editor, which must live on the main thread, refuses them.
TEST_F(ClapBadInput, CallsOffTheMainThreadAreLoggedAndTheEditorRefusesThem) {
  host_.PretendNotMainThread(true);
  const auto* gui = plugin().Ext<clap::PluginGui>(clap::kExtGui);
  EXPECT_FALSE(gui->create(record(), clap::kWindowApiX11, false));
  EXPECT_FALSE(gui->setScale(record(), 2.0));
  ASSERT_TRUE(plugin().Start(48000.0, 1, 256));  // logged, done: the mutex guards it
  std::vector<uint8_t> state;
  EXPECT_TRUE(plugin().SaveState(state));  // never refused: the host would lose the project
  host_.PretendNotMainThread(false);
  const std::vector<std::string> logs = host_.Logs();
  auto logged = [&](const std::string& call) {
    for (const std::string& line : logs) {
      if (line.find(call) != std::string::npos && line.find("main thread") != std::string::npos) {
        return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(logged("gui.create"));
  EXPECT_TRUE(logged("gui.set_scale"));
  EXPECT_TRUE(logged("activate"));
  EXPECT_TRUE(logged("state.save"));
  EXPECT_TRUE(gui->create(record(), clap::kWindowApiX11, false));
  gui->destroy(record());

  // process on a thread the host does not call its audio thread: noted once.
  const auto* p = record();
  float l[32], r[32];
  float* channels[2] = {l, r};
  clap::AudioBuffer output{channels, nullptr, 2, 0, 0};
  clap::Process process{};
  process.framesCount = 32;
  process.audioOutputs = &output;
  process.audioOutputsCount = 1;
  host_.ClearRecords();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(p->process(p, &process), clap::kProcessContinue);
  ASSERT_EQ(host_.Logs().size(), 1u);
  EXPECT_NE(host_.Logs()[0].find("audio thread"), std::string::npos);
}

}  // namespace
}  // namespace fluvia::claptest
