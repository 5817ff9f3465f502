// The steady state of processing allocates nothing and makes no system call, also with notes
// and automation arriving, and while the host saves and restores the state on another thread.

#include <atomic>
#include <thread>

#include "pluginterfaces/gui/iplugview.h"
#include "tests/vst3/byte_stream.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/system_call_watch.h"
#include "tests/vst3/plugin_fixture.h"

namespace fluvia::vst3test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

using Vst3Realtime = PluginTest;

constexpr ParamID kPresetId = 0x70727374;  // 'prst'


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

TEST_F(Vst3Realtime, AnEventAndAPointAtEveryFrameAllocateNothing) {
  Start(48000.0, 64, kSample32);
  std::vector<float> left(64), right(64);
  size_t allocations = 0;
  for (int b = 0; b < 200; ++b) {
    // The first block sizes the harness's own event and point lists.
    test_support::AllocationCounter counter;
    for (int f = 0; f < 64; ++f) {
      if (f % 2) {
        plugin().Events().NoteOff(60, f);
      } else {
        plugin().Events().NoteOn(60, 0.7f, f);
      }
      plugin().Changes().Add(kAmpMainVolume, f, (f % 10) / 10.0);
      plugin().Changes().Add(kContainerSize, 63 - f, (f % 7) / 7.0);
    }
    ASSERT_EQ(plugin().Process(left.data(), right.data(), 64), kResultOk);
    plugin().Events().Clear();
    plugin().Changes().Clear();
    if (b > 0) allocations += counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
  plugin().Stop();
}

TEST_F(Vst3Realtime, ProcessMakesNoSystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  Start(48000.0, 256, kSample32);
  std::vector<float> left(256), right(256);
  for (int i = 0; i < 4; ++i) plugin().Process(left.data(), right.data(), 256);
  const std::vector<long> calls = test_support::SystemCallsOf([&] {
    for (int b = 0; b < 200; ++b) {
      plugin().Events().Clear();
      plugin().Changes().Clear();
      if (b % 20 == 0) plugin().Events().NoteOn(60, 0.9f, b % 256);
      if (b % 20 == 10) plugin().Events().NoteOff(60, 17);
      plugin().Changes().Add(kAmpMainVolume, b % 256, 0.4 + 0.001 * b);
      plugin().Process(left.data(), right.data(), 256);
    }
  });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
  plugin().Stop();
}

// A host saving and restoring the project on its own thread, as fast as it can, and syncing
// the controller's parameters.
class HostSavingMeanwhile {
 public:
  explicit HostSavingMeanwhile(IEditController* controller) {
    thread_ = std::thread([this, controller] {
      for (int round = 0; !stop_; ++round) {
        ByteStream stream;
        controller->getState(&stream);
        stream.Rewind();
        controller->setState(&stream);
        controller->setParamNormalized(kContainerSize, (round % 10) / 10.0);
        ++rounds_;
      }
    });
    while (rounds_ == 0) std::this_thread::yield();
  }
  ~HostSavingMeanwhile() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> rounds_{0};
};

TEST_F(Vst3Realtime, WhileTheHostSavesAndRestoresProcessAllocatesNothingAndNeverWaits) {
  Start(48000.0, 256, kSample32);
  std::vector<float> left(256), right(256);
  for (int i = 0; i < 4; ++i) plugin().Process(left.data(), right.data(), 256);
  auto busyBlock = [&](int b) {
    plugin().Events().Clear();
    plugin().Changes().Clear();
    if (b % 20 == 0) plugin().Events().NoteOn(60, 0.9f, b % 256);
    if (b % 20 == 10) plugin().Events().NoteOff(60, 17);
    plugin().Changes().Add(kAmpMainVolume, b % 256, 0.4 + 0.001 * (b % 100));
    if (b % 50 == 0) plugin().Changes().Add(kPresetId, 0, 0.5);  // a program change
    return plugin().Process(left.data(), right.data(), 256);
  };
  HostSavingMeanwhile host(controller());
  {
    test_support::AllocationCounter counter;
    for (int b = 0; b < 300; ++b) ASSERT_EQ(busyBlock(b), kResultOk);
    EXPECT_EQ(counter.Count(), 0u);
  }
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  long sleeps = -1;
  const std::vector<long> calls = test_support::SystemCallsOf(
      [&] {
        for (int b = 0; b < 300; ++b) busyBlock(b);
      },
      &sleeps);
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
  EXPECT_EQ(sleeps, 0);
  plugin().Stop();
}

}  // namespace
}  // namespace fluvia::vst3test
