// The steady state of run() allocates nothing and makes no system call, also with notes,
// positions and control changes arriving.

#include "engine/engine_params.h"
#include "tests/lv2/lv2_fixture.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/system_call_watch.h"

namespace fluvia::lv2test {
namespace {

using Lv2Realtime = Lv2Test;

TEST_F(Lv2Realtime, RunAllocatesNothingInTheSteadyState) {
  {
    // The count is meaningful only if the module's allocations reach this counter.
    test_support::AllocationCounter counter;
    auto other = NewInstance();
    ASSERT_GT(counter.Count(), 0u) << "the module's operator new is not the counting one";
  }
  const int volume = SlotOf(kAmpMainVolume);
  const int panorama = SlotOf(kSoundfieldAmt);
  ASSERT_TRUE(volume >= 0 && panorama >= 0);
  std::vector<float> left(512), right(512);
  for (int i = 0; i < 4; ++i) lv2().Run(left.data(), right.data(), 512);

  test_support::AllocationCounter counter;
  for (int i = 0; i < 1000; ++i) {
    if (i % 50 == 0) lv2().NoteOn(i % 512, 60 + (i / 50) % 12, 100);
    if (i % 50 == 25) lv2().NoteOff(0, 60 + (i / 50) % 12);
    if (i % 100 == 0) lv2().AddPosition(0, 100.0f + float(i % 7), 1.0f, int64_t(i) * 512);
    lv2().Controls()[size_t(volume)] = 0.5f + 0.0001f * float(i % 100);
    lv2().Controls()[size_t(panorama)] = (i % 2) ? 0.3f : 0.4f;
    lv2().Run(left.data(), right.data(), i % 3 == 0 ? 512 : 333);
  }
  EXPECT_EQ(counter.Count(), 0u);
}

TEST_F(Lv2Realtime, RunMakesNoSystemCall) {
  if (!test_support::SystemCallWatchSupported()) GTEST_SKIP() << "no system call watch here";
  const int volume = SlotOf(kAmpMainVolume);
  ASSERT_GE(volume, 0);
  std::vector<float> left(256), right(256);
  for (int i = 0; i < 4; ++i) lv2().Run(left.data(), right.data(), 256);
  const std::vector<long> calls = test_support::SystemCallsOf([&] {
    for (int b = 0; b < 200; ++b) {
      if (b % 20 == 0) lv2().NoteOn(b % 256, 60, 110);
      if (b % 20 == 10) lv2().NoteOff(17, 60);
      if (b % 50 == 0) lv2().AddPosition(0, 120.0f + float(b % 3), 1.0f, int64_t(b) * 256);
      lv2().Controls()[size_t(volume)] = 0.4f + 0.001f * float(b);
      lv2().Run(left.data(), right.data(), 256);
    }
  });
  EXPECT_TRUE(calls.empty()) << "first system call: " << (calls.empty() ? 0 : calls[0]);
}

}  // namespace
}  // namespace fluvia::lv2test
