// The same timed notes through the LV2 and the VST3 module give the same samples, whatever
// blocks each host cuts the stream into. Its own executable: each module's noise sequence
// starts when the module loads, so both must be fresh and render in step.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "adapters/lv2/lv2_uris.h"
#include "tests/lv2/lv2_fixture.h"
#include "tools/vst3host/vst3_module.h"
#include "tools/vst3host/vst3_plugin.h"

namespace fluvia::lv2test {
namespace {

// One note event at an absolute frame of the stream.
struct Note {
  int64_t frame;
  int pitch;
  int velocity;  // 0: note-off
};

// Renders `total` frames, cutting the stream into blocks of the given lengths in turn and
// handing each note to the block that holds its frame.
template <typename Block>
std::vector<float> RenderStream(int total, const std::vector<int>& blocks,
                                const std::vector<Note>& notes, Block block) {
  std::vector<float> left(static_cast<size_t>(total)), right(static_cast<size_t>(total));
  int done = 0;
  for (size_t b = 0; done < total; ++b) {
    const int n = std::min(blocks[b % blocks.size()], total - done);
    std::vector<Note> inside;
    for (const Note& note : notes) {
      if (note.frame >= done && note.frame < done + n) inside.push_back({note.frame - done, note.pitch, note.velocity});
    }
    block(inside, left.data() + done, right.data() + done, n);
    done += n;
  }
  std::vector<float> both = left;
  both.insert(both.end(), right.begin(), right.end());
  return both;
}

TEST(Lv2AndVst3, TheSameTimedNotesGiveTheSameSamples) {
  UsePrivateHome();
  std::string error;
  auto lv2Module = LoadModuleOrFail();
  auto vst3Module = vst3host::Vst3Module::Load(FLUVIA_TEST_VST3_BUNDLE, error);
  ASSERT_TRUE(lv2Module && vst3Module) << error;
  vst3host::HostApplication host{"fluvia lv2 tests"};
  auto vst3 = vst3host::Vst3Plugin::Create(*vst3Module, host, error);
  ASSERT_TRUE(vst3) << error;
  ASSERT_TRUE(vst3->Start(48000.0, 512, Steinberg::Vst::kSample32, error)) << error;
  lv2host::Lv2Instance::Options options;
  options.maxBlock = 512;
  auto lv2 = lv2host::Lv2Instance::Create(*lv2Module, Defaults(), kLv2FirstControlPort, options,
                                          error);
  ASSERT_TRUE(lv2) << error;

  // Notes inside blocks, on block boundaries and two on one frame; the LV2 host cuts the
  // stream differently from the VST3 host (its longer blocks render in pieces of 512).
  const std::vector<Note> notes = {{37, 60, 100}, {700, 60, 0},   {701, 64, 127}, {1024, 67, 60},
                                   {1024, 64, 0}, {5000, 67, 0},  {7777, 50, 90}, {20000, 50, 0}};
  const int total = 30000;
  const std::vector<float> viaVst3 = RenderStream(
      total, {512, 333, 64}, notes, [&](const std::vector<Note>& inside, float* l, float* r, int n) {
        for (const Note& note : inside) {
          if (note.velocity > 0) {
            vst3->Events().NoteOn(note.pitch, float(note.velocity) / 127.0f, int(note.frame));
          } else {
            vst3->Events().NoteOff(note.pitch, int(note.frame));
          }
        }
        vst3->Process(l, r, n);
        vst3->Events().Clear();
      });
  const std::vector<float> viaLv2 = RenderStream(
      total, {1500, 256, 7}, notes, [&](const std::vector<Note>& inside, float* l, float* r, int n) {
        for (const Note& note : inside) {
          if (note.velocity > 0) {
            lv2->NoteOn(note.frame, note.pitch, note.velocity);
          } else {
            lv2->NoteOff(note.frame, note.pitch);
          }
        }
        lv2->Run(l, r, uint32_t(n));
      });
  ASSERT_EQ(viaVst3.size(), viaLv2.size());
  double peak = 0.0;
  size_t differing = 0;
  for (size_t i = 0; i < viaVst3.size(); ++i) {
    peak = std::max(peak, double(std::fabs(viaVst3[i])));
    if (viaVst3[i] != viaLv2[i]) ++differing;
  }
  EXPECT_GT(peak, 1e-3) << "the comparison needs sound";
  EXPECT_EQ(differing, 0u) << "samples differ between the formats";
  vst3->Stop();
}

}  // namespace
}  // namespace fluvia::lv2test
