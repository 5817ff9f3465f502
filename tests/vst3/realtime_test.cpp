// The steady state of processing allocates nothing, also with notes and automation arriving.

#include "pluginterfaces/gui/iplugview.h"
#include "tests/support/allocation_counter.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

using Vst3Realtime = PluginTest;

TEST_F(Vst3Realtime, ProcessAllocatesNothingInTheSteadyState) {
  {
    // The count is meaningful only if the module's allocations reach this counter.
    test_support::AllocationCounter counter;
    Steinberg::IPlugView* view = controller()->createView("editor");
    ASSERT_TRUE(view);
    view->release();
    ASSERT_GT(counter.Count(), 0u) << "the module's operator new is not the counting one";
  }
  for (int32 sampleSize : {kSample32, kSample64}) {
    SCOPED_TRACE(sampleSize == kSample32 ? "32-bit" : "64-bit");
    Start(48000.0, 512, sampleSize);
    std::vector<float> left32(512), right32(512);
    std::vector<double> left64(512), right64(512);
    auto block = [&](int frames) {
      return sampleSize == kSample32 ? plugin().Process(left32.data(), right32.data(), frames)
                                     : plugin().Process(left64.data(), right64.data(), frames);
    };
    // Warm-up: the first blocks may size what later blocks reuse.
    for (int i = 0; i < 4; ++i) block(512);

    test_support::AllocationCounter counter;
    for (int i = 0; i < 1000; ++i) {
      if (i % 50 == 0) plugin().Events().NoteOn(60 + (i / 50) % 12, 0.8f, i % 512);
      if (i % 50 == 25) plugin().Events().NoteOff(60 + (i / 50) % 12, 0);
      plugin().Changes().Add(kAmpMainVolume, 0, 0.5 + 0.0001 * (i % 100));
      plugin().Changes().Add(kSoundfieldAmt, i % 512, 0.3);
      ASSERT_EQ(block(i % 3 == 0 ? 512 : 333), kResultOk);
      plugin().Events().Clear();
      plugin().Changes().Clear();
    }
    EXPECT_EQ(counter.Count(), 0u);
    plugin().Stop();
  }
}

}  // namespace
}  // namespace fluvia::vst3test
