#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/noise.h"
#include "engine/water_engine.h"
#include "reference_renderer.h"
#include "tests/support/allocation_counter.h"

namespace fluvia {
namespace {

constexpr double kSentinel = 12345.0;

struct Block {
  std::vector<double> left, right;
  explicit Block(int frames)
      : left(static_cast<std::size_t>(frames), kSentinel),
        right(static_cast<std::size_t>(frames), kSentinel) {}
  bool Untouched() const {
    for (std::size_t i = 0; i < left.size(); ++i) {
      if (left[i] != kSentinel || right[i] != kSentinel) return false;
    }
    return true;
  }
};

const double kSilentInput[4096] = {};

int RenderInto(WaterEngine& engine, Block& block) {
  const double* inputs[2] = {kSilentInput, kSilentInput};
  double* outputs[2] = {block.left.data(), block.right.data()};
  return engine.Render(inputs, outputs, static_cast<int>(block.left.size()));
}

// Renders `frames` frames from the given noise state and returns the left and right channels.
Block RenderFrom(WaterEngine& engine, std::uint32_t noise, int frames) {
  SetNoiseState(noise);
  Block b(frames);
  EXPECT_EQ(RenderInto(engine, b), 0);
  return b;
}

TEST(Render, NullChannelPointerLatchesErrorUntilReset) {
  double l[8], r[8];
  const double* goodIn[2] = {kSilentInput, kSilentInput};
  double* goodOut[2] = {l, r};
  const double* nullIn0[2] = {nullptr, kSilentInput};
  const double* nullIn1[2] = {kSilentInput, nullptr};
  double* nullOut0[2] = {nullptr, r};
  double* nullOut1[2] = {l, nullptr};
  struct Case {
    const char* what;
    const double* const* in;
    double* const* out;
  } cases[] = {{"no inputs", nullptr, goodOut}, {"no outputs", goodIn, nullptr},
               {"input 0", nullIn0, goodOut},   {"input 1", nullIn1, goodOut},
               {"output 0", goodIn, nullOut0},  {"output 1", goodIn, nullOut1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto engine = WaterEngine::Create(48000.0);
    engine->SetParameter(kVoice00_NoteGate, 1.0);
    std::fill(l, l + 8, kSentinel);
    std::fill(r, r + 8, kSentinel);
    EXPECT_EQ(engine->Render(c.in, c.out, 8), 101);
    EXPECT_EQ(engine->ErrorState(), 101);
    // Latched: valid pointers do not help, nothing is written, not even for zero frames.
    EXPECT_EQ(engine->Render(goodIn, goodOut, 8), 101);
    EXPECT_EQ(engine->Render(goodIn, goodOut, 0), 101);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(l[i], kSentinel);
      EXPECT_EQ(r[i], kSentinel);
    }
    engine->Reset(48000.0);
    EXPECT_EQ(engine->ErrorState(), 0);
    EXPECT_EQ(engine->Render(goodIn, goodOut, 8), 0);
    EXPECT_EQ(l[7], 0.0);
  }
}

TEST(Render, NoFramesWritesNothingAndDrawsNoNoise) {
  auto engine = WaterEngine::Create(48000.0);
  engine->SetParameter(kVoice00_NoteGate, 1.0);
  double l[2] = {kSentinel, kSentinel}, r[2] = {kSentinel, kSentinel};
  const double* inputs[2] = {kSilentInput, kSilentInput};
  double* outputs[2] = {l, r};
  const std::uint32_t noise = NoiseState();
  for (const int frames : {0, -1, -100000}) EXPECT_EQ(engine->Render(inputs, outputs, frames), 0);
  EXPECT_EQ(l[0], kSentinel);
  EXPECT_EQ(r[1], kSentinel);
  EXPECT_EQ(NoiseState(), noise);
  // The gate was not sampled either: the edge comes with the first real frame.
  EXPECT_EQ(engine->Envelope().stage, EnvelopeStage::kIdle);
}

TEST(Render, GateClosedSinceResetIsExactSilence) {
  auto engine = WaterEngine::Create(48000.0);
  engine->SetParameter(kSoundfieldAmt, 0.5);
  engine->SetParameter(kAmpMainVolume, 1.0);
  const Block b = RenderFrom(*engine, 77u, 4096);
  for (std::size_t i = 0; i < b.left.size(); ++i) {
    ASSERT_EQ(b.left[i], 0.0) << i;
    ASSERT_EQ(b.right[i], 0.0) << i;
  }
}

// Splitting the same audio into other block sizes changes nothing, bit for bit: all state
// carries over from one block to the next.
TEST(Render, BlockSizeDoesNotChangeTheOutput) {
  auto whole = WaterEngine::Create(48000.0);
  whole->SetParameter(kVoice00_NoteGate, 1.0);
  whole->SetParameter(kSoundfieldAmt, 0.3);
  whole->SetParameter(kAmpFadeInOut, 0.05);
  const Block expected = RenderFrom(*whole, 5u, 20000);
  for (const int blockSize : {1, 7, 64, 4096}) {
    SCOPED_TRACE(blockSize);
    auto split = WaterEngine::Create(48000.0);
    split->SetParameter(kVoice00_NoteGate, 1.0);
    split->SetParameter(kSoundfieldAmt, 0.3);
    split->SetParameter(kAmpFadeInOut, 0.05);
    SetNoiseState(5u);
    for (int start = 0; start < 20000; start += blockSize) {
      const int n = std::min(blockSize, 20000 - start);
      const double* inputs[2] = {kSilentInput, kSilentInput};
      std::vector<double> l(static_cast<std::size_t>(n)), r(static_cast<std::size_t>(n));
      double* outputs[2] = {l.data(), r.data()};
      ASSERT_EQ(split->Render(inputs, outputs, n), 0);
      for (int i = 0; i < n; ++i) {
        const std::size_t at = static_cast<std::size_t>(start + i);
        ASSERT_EQ(l[static_cast<std::size_t>(i)], expected.left[at]) << at;
        ASSERT_EQ(r[static_cast<std::size_t>(i)], expected.right[at]) << at;
      }
    }
  }
}

struct SpreadCase {
  double rate;
  int rightDelay;  // samples behind s
  int leftDelay;
};

// Without spread both channels carry s one sample late; with spread the right channel trails
// it by 40 ms and the left by 16 ms, the right limited to 2000 samples.
TEST(Render, SpreadDelaysTheChannels) {
  const SpreadCase cases[] = {{48000.0, 1920, 768}, {96000.0, 2000, 1536}};
  for (const SpreadCase& c : cases) {
    SCOPED_TRACE(c.rate);
    const int frames = 6000;
    auto dry = WaterEngine::Create(c.rate);
    dry->SetParameter(kVoice00_NoteGate, 1.0);
    dry->SetParameter(kAmpFadeInOut, 0.0);
    const Block plain = RenderFrom(*dry, 3u, frames);
    EXPECT_EQ(plain.left, plain.right);

    auto wide = WaterEngine::Create(c.rate);
    wide->SetParameter(kVoice00_NoteGate, 1.0);
    wide->SetParameter(kAmpFadeInOut, 0.0);
    wide->SetParameter(kSoundfieldAmt, 1.0);
    const Block spread = RenderFrom(*wide, 3u, frames);
    // plain.left[n] is s[n - 1].
    for (int n = 0; n < frames; ++n) {
      const std::size_t i = static_cast<std::size_t>(n);
      const double right = n >= c.rightDelay ? plain.left[i - c.rightDelay + 1] : 0.0;
      const double left = n >= c.leftDelay ? plain.left[i - c.leftDelay + 1] : 0.0;
      ASSERT_EQ(spread.right[i], right) << n;
      ASSERT_EQ(spread.left[i], left) << n;
    }
    EXPECT_NE(spread.right[static_cast<std::size_t>(frames - 1)], 0.0);
  }
}

TEST(Render, ZeroVolumeSilencesTheOutputWhileTheModelRuns) {
  auto loud = WaterEngine::Create(48000.0);
  auto mute = WaterEngine::Create(48000.0);
  for (WaterEngine* e : {loud.get(), mute.get()}) e->SetParameter(kVoice00_NoteGate, 1.0);
  mute->SetParameter(kAmpMainVolume, 0.0);
  const Block a = RenderFrom(*loud, 9u, 3000);
  const Block b = RenderFrom(*mute, 9u, 3000);
  for (std::size_t i = 0; i < b.left.size(); ++i) {
    ASSERT_EQ(b.left[i], 0.0);
    ASSERT_EQ(b.right[i], 0.0);
  }
  EXPECT_NE(a.left.back(), 0.0);
  const SynthesisState& x = loud->Synthesis();
  const SynthesisState& y = mute->Synthesis();
  EXPECT_EQ(x.heldExcitation, y.heldExcitation);
  EXPECT_EQ(x.lowpass, y.lowpass);
  EXPECT_EQ(x.highpassY1, y.highpassY1);
  EXPECT_EQ(x.noiseStage[3], y.noiseStage[3]);
  EXPECT_NE(y.highpassY1, 0.0);
}

// A line that lost its memory reads as silence and is never touched; the rest keeps working.
TEST(Render, LinesWithoutMemoryReadZero) {
  std::unique_ptr<WaterEngine> engine;
  {
    // The two one-second rings (512 KB each) fail; the 16 KB spread rings succeed.
    test_support::AllocationFailureScope failLarge(100000);
    ::testing::internal::CaptureStderr();
    engine = WaterEngine::Create(48000.0);
    std::fflush(stderr);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "allocating [data]: out of memory\ndelay memory size error\n"
              "allocating [data]: out of memory\ndelay memory size error\n");
  }
  ASSERT_NE(engine, nullptr);
  EXPECT_FALSE(engine->ResonatorLine().HasMemory());
  EXPECT_FALSE(engine->ExcitationLine().HasMemory());
  EXPECT_TRUE(engine->LeftSpreadLine().HasMemory());
  engine->SetParameter(kVoice00_NoteGate, 1.0);
  engine->SetParameter(kSoundfieldAmt, 0.5);

  reference::ReferenceRenderer ref(48000.0);
  ref.resonatorLine.DropMemory();
  ref.excitationLine.DropMemory();
  ref.Set(kVoice00_NoteGate, 1.0);
  ref.Set(kSoundfieldAmt, 0.5);

  const Block out = RenderFrom(*engine, 21u, 4096);
  std::uint32_t noise = 21u;
  std::vector<double> l(4096), r(4096);
  ref.Render(noise, l.data(), r.data(), 4096);
  double peak = 0.0;
  for (std::size_t i = 0; i < l.size(); ++i) {
    ASSERT_NEAR(out.left[i], l[i], 1e-12) << i;
    ASSERT_NEAR(out.right[i], r[i], 1e-12) << i;
    peak = std::max(peak, std::fabs(l[i]));
  }
  EXPECT_GT(peak, 0.0);
}

}  // namespace
}  // namespace fluvia
