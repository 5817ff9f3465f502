#include "engine/delay_line.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

using test_support::AllocationFailureScope;

struct SizeCase {
  int size;
  int capacity;
  int maxDelay;
};

TEST(DelayLine, FirstResetFixesCapacityAndMaximumDelay) {
  const SizeCase cases[] = {{0, 2, 0},
                            {1, 2, 1},
                            {2, 2, 2},
                            {3, 4, 3},
                            {2000, 2048, 2000},
                            {2048, 2048, 2048},
                            {44100, 65536, 44100},
                            {48000, 65536, 48000},
                            {-5, 2, 0}};
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.size);
    DelayLine line;
    line.Reset(c.size);
    EXPECT_TRUE(line.HasMemory());
    EXPECT_EQ(line.Capacity(), c.capacity);
    EXPECT_EQ(line.MaxDelay(), c.maxDelay);
    EXPECT_EQ(line.WriteIndex(), 0);
    EXPECT_EQ(line.LastWrittenIndex(), 0);
  }
}

// Writes 1, 2, ..., n, stepping after each, so that k samples back holds n + 1 - k.
void WriteRamp(DelayLine& line, int n) {
  for (int i = 1; i <= n; ++i) {
    line.Write(i);
    line.Step();
  }
}

TEST(DelayLine, ReadsInterpolateAndClampToTheDelayRange) {
  DelayLine line;
  line.Reset(2000);
  WriteRamp(line, 3000);  // wraps the 2048-slot ring
  struct ReadCase {
    double delay;
    double expected;
  } cases[] = {
      {1.0, 3000.0},   // the newest sample
      {0.25, 3000.0},  // below one sample: raised to one
      {-7.0, 3000.0},
      {2.5, 2998.5},  // halfway between two and three back
      {1999.75, 1001.25},
      {2000.0, 1001.0},
      {5000.0, 1001.0},  // beyond the maximum delay: 2000 back
      {std::numeric_limits<double>::infinity(), 1001.0},
      {std::numeric_limits<double>::quiet_NaN(), 3000.0},  // a NaN delay reads the newest
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.delay);
    EXPECT_DOUBLE_EQ(line.Read(c.delay), c.expected);
  }
}

TEST(DelayLine, BeforeTheFirstStepTheWriteSlotItselfCanBeRead) {
  DelayLine line;
  line.Reset(8);
  EXPECT_EQ(line.Read(0.0), 0.0);
  // Written but not yet stepped: the indices are equal, so delay 0 reaches the new value.
  line.Write(5.0);
  EXPECT_EQ(line.Read(0.0), 5.0);
  line.Step();
  EXPECT_EQ(line.Read(0.0), 5.0);  // now at least one step back
}

TEST(DelayLine, LaterResetsClearButKeepTheSize) {
  DelayLine line;
  line.Reset(100);
  WriteRamp(line, 50);
  line.Reset(100000);
  EXPECT_EQ(line.Capacity(), 128);
  EXPECT_EQ(line.MaxDelay(), 100);
  EXPECT_EQ(line.WriteIndex(), 0);
  EXPECT_EQ(line.LastWrittenIndex(), 0);
  for (int d = 0; d <= 100; ++d) EXPECT_EQ(line.Read(d), 0.0) << d;
}

struct CapturedOutput {
  std::string out;
  std::string err;
};

template <class F>
CapturedOutput Capture(F&& f) {
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  f();
  std::fflush(stdout);
  std::fflush(stderr);
  CapturedOutput c;
  c.out = ::testing::internal::GetCapturedStdout();
  c.err = ::testing::internal::GetCapturedStderr();
  return c;
}

void ExpectUnusableButHarmless(DelayLine& line) {
  EXPECT_FALSE(line.HasMemory());
  EXPECT_EQ(line.Capacity(), 0);
  EXPECT_EQ(line.MemoryBytes(), 0u);
  line.Write(1.0);
  line.Step();
  EXPECT_EQ(line.Read(1.0), 0.0);
  line.Reset(10);  // no second allocation attempt, no crash
  EXPECT_FALSE(line.HasMemory());
}

TEST(DelayLine, OversizeRequestIsCutAndFallsBackWhenMemoryIsShort) {
  DelayLine line;
  const CapturedOutput c = Capture([&] {
    // The 256 MB ring fails; the 512-sample fallback succeeds but is the wrong size.
    AllocationFailureScope failLarge(1 << 20);
    line.Reset(DelayLine::kMaxSize + 1);
  });
  EXPECT_EQ(c.out, "warning: constraining [data] to < 256MB\n");
  EXPECT_EQ(c.err, "allocating [data]: out of memory\ndelay memory size error\n");
  EXPECT_EQ(line.MaxDelay(), DelayLine::kMaxSize);
  ExpectUnusableButHarmless(line);
}

TEST(DelayLine, EveryAllocationFailing) {
  DelayLine line;
  const CapturedOutput c = Capture([&] {
    AllocationFailureScope failAll(0);
    line.Reset(2000);
  });
  EXPECT_EQ(c.out, "");
  EXPECT_EQ(c.err,
            "allocating [data]: out of memory\nallocating [data]: out of memory\n"
            "allocating [data]: out of memory\ndelay memory size error\n");
  EXPECT_EQ(line.MaxDelay(), 2000);
  ExpectUnusableButHarmless(line);
}

}  // namespace
}  // namespace fluvia
