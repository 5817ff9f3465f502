// The steady state of processing allocates nothing, also with notes, MIDI and parameter
// values arriving, and neither does a flush on the audio thread.

#include "tests/clap/clap_fixture.h"
#include "tests/support/allocation_counter.h"

namespace fluvia::claptest {
namespace {

using ClapRealtime = ClapTest;

TEST_F(ClapRealtime, ProcessAndFlushAllocateNothingInTheSteadyState) {
  {
    // The count is meaningful only if the module's allocations reach this counter.
    test_support::AllocationCounter counter;
    std::string error;
    auto other = claphost::ClapInstance::Create(*module_, host_, error);
    ASSERT_TRUE(other) << error;
    ASSERT_GT(counter.Count(), 0u) << "the module's operator new is not the counting one";
  }
  for (bool doubles : {false, true}) {
    SCOPED_TRACE(doubles ? "64-bit" : "32-bit");
    Start(48000.0, 512);
    std::vector<float> left32(512), right32(512);
    std::vector<double> left64(512), right64(512);
    auto block = [&](uint32_t frames) {
      return doubles ? plugin().Process(left64.data(), right64.data(), frames)
                     : plugin().Process(left32.data(), right32.data(), frames);
    };
    // Warm-up: the first blocks may size what later blocks reuse.
    for (int i = 0; i < 4; ++i) block(512);

    test_support::AllocationCounter counter;
    for (int i = 0; i < 1000; ++i) {
      claphost::InputEventList& events = plugin().Events();
      if (i % 50 == 0) events.NoteOn(60 + (i / 50) % 12, 0.8, uint32_t(i % 512));
      if (i % 50 == 25) events.NoteOff(60 + (i / 50) % 12, 0);
      if (i % 70 == 3) events.Midi(0xB0, 7, uint8_t(i % 128), 100);
      events.ParamValue(ParamId(kAmpMainVolume), 0.5 + 0.0001 * (i % 100), 0);
      events.ParamValue(ParamId(kSoundfieldAmt), 0.3, uint32_t(i % 512));
      ASSERT_EQ(block(i % 3 == 0 ? 512 : 333), clap::kProcessContinue);
      events.Clear();
      if (i % 100 == 99) {
        events.ParamValue(ParamId(kContainerSize), 0.2, 0);
        claphost::ClapHost::AudioThreadScope audio;
        plugin().Flush();
        events.Clear();
      }
    }
    EXPECT_EQ(counter.Count(), 0u);
    plugin().Stop();
  }
}

}  // namespace
}  // namespace fluvia::claptest
