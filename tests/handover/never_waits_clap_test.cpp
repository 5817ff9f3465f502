// The audio thread never waits on the user interface, through the CLAP adapter: while another
// thread holds every lock a user-interface or controller thread can take, the host's audio
// thread plays blocks with notes, MIDI, parameter values and a transport, and flushes values
// between blocks, as CLAP hosts do. Every call returns while the locks are held, and the output
// is the one a twin instance renders with no lock held.

#include "adapters/clap/plugin_clap.h"
#include "tests/handover/never_waits.h"
#include "tools/claphost/clap_events.h"
#include "tools/claphost/clap_host.h"

namespace fluvia {
namespace {

using namespace fluvia::testing;

const clap::PluginDescriptor kDescriptor = {clap::kVersion, "test.fluvia", "Fluvia", "", "",
                                            "", "", "1", "", nullptr};

struct ClapPlayer {
  IPluginCLAP* adapter = nullptr;
  claphost::InputEventList events;
  claphost::OutputEventList output;
  clap::EventTransport transport{};

  const clap::Plugin* Plugin() const { return adapter->Record(); }
  // The plain value at `fraction` of the parameter's range.
  double Plain(int index, double fraction) {
    const IParameter& param = *adapter->Core().GetParam(index);
    return param.Minimum() + fraction * (param.Maximum() - param.Minimum());
  }
};

std::vector<float> ClapBlock(ClapPlayer& instance, int b) {
  std::vector<float> l(kFrames), r(kFrames);
  float* outs[] = {l.data(), r.data()};
  clap::AudioBuffer out{outs, nullptr, 2, 0, 0};
  const clap::Plugin* plugin = instance.Plugin();
  claphost::ClapHost::AudioThreadScope audioThread;
  instance.events.Clear();
  if (b == 0) instance.events.NoteOn(60, 0.8, 10);
  if (b == 3) instance.events.Midi(0xB0, 7, 90, 100);
  if (b % 4 == 2) {
    instance.events.ParamValue(kParticlesCollisions, instance.Plain(kParticlesCollisions, (b % 10) / 10.0),
                               uint32_t(17 * b % kFrames));
  }
  if (b == 15) instance.events.NoteOff(60, 200);
  clap::Process process{};
  process.framesCount = kFrames;
  process.transport = &instance.transport;
  process.audioOutputs = &out;
  process.audioOutputsCount = 1;
  process.inEvents = instance.events.List();
  process.outEvents = instance.output.List();
  EXPECT_EQ(plugin->process(plugin, &process), clap::kProcessContinue);
  instance.transport.songPosSeconds += clap::SecTime(double(kFrames) / 48000.0 * double(clap::kSecTimeFactor));
  // Between two blocks the host flushes a value on its audio thread.
  if (b % 5 == 1) {
    instance.events.Clear();
    instance.events.ParamValue(kSoundfieldAmt, instance.Plain(kSoundfieldAmt, (b % 7) / 7.0), 0);
    const auto* params =
        static_cast<const clap::PluginParams*>(plugin->getExtension(plugin, clap::kExtParams));
    params->flush(plugin, instance.events.List(), instance.output.List());
  }
  return l;
}

TEST_F(NeverWaitsTest, TheClapAdapter) {
  claphost::ClapHost host;
  auto make = [&] {
    auto instance = std::make_unique<ClapPlayer>();
    instance->adapter = new IPluginCLAP(std::make_unique<Fluvia>(Options(PluginApi::CLAP, folder)),
                                        host.Record(), &kDescriptor);
    const clap::Plugin* plugin = instance->Plugin();
    EXPECT_TRUE(plugin->init(plugin));
    EXPECT_TRUE(plugin->activate(plugin, 48000.0, 1, kFrames));
    {
      claphost::ClapHost::AudioThreadScope audioThread;
      EXPECT_TRUE(plugin->startProcessing(plugin));
    }
    instance->transport.header = {sizeof(clap::EventTransport), 0, clap::kCoreEventSpace,
                                  clap::kEventTransport, 0};
    instance->transport.flags = clap::kTransportHasTempo | clap::kTransportHasSecondsTimeline |
                                clap::kTransportIsPlaying;
    instance->transport.tempo = 100.0;
    ChangeFromTheInterface(instance->adapter->Core());
    return instance;
  };
  auto twin = make();
  const std::vector<float> expected = Play([&](int b) { return ClapBlock(*twin, b); }, nullptr);
  auto instance = make();
  std::vector<float> got;
  {
    LocksHeld held(instance->adapter->Core());
    got = Play([&](int b) { return ClapBlock(*instance, b); }, &held);
  }
  EXPECT_GT(Energy(expected), 0.0);
  EXPECT_EQ(got, expected);
  for (ClapPlayer* i : {twin.get(), instance.get()}) {
    const clap::Plugin* plugin = i->Plugin();
    {
      claphost::ClapHost::AudioThreadScope audioThread;
      plugin->stopProcessing(plugin);
    }
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
  }
}

}  // namespace
}  // namespace fluvia
