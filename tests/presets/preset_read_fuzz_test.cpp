// Randomised preset files: bytes, broken and nested markup, odd numbers, long lines and huge
// files. A read may apply values or not, but never crashes, never touches another parameter
// and never leaves a stored one outside 0..1.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "presets/preset_file_io.h"
#include "presets/preset_format.h"
#include "tests/presets/preset_fixture.h"
#include "tests/presets/preset_read_checks.h"

namespace fluvia {
namespace {

using testing::PresetLibraryTest;
using testing::ScratchFolder;

class PresetReadFuzzTest : public PresetLibraryTest {
 protected:
  // Every parameter somewhere inside its range, stored ones and engine alike.
  void Scramble() {
    for (int i = 0; i < core.NumParams(); ++i) {
      IParameter* p = core.GetParam(i);
      std::uniform_real_distribution<double> in(p->Minimum(), p->Maximum());
      p->SetValue(in(random));
      core.engine->SetParameter(i, p->Value());
    }
  }
  void ReadAndCheck(const std::string& content, const char* what) {
    Scramble();
    const std::vector<double> before = testing::AllValues(core);
    const std::string path = scratch.File("fuzz.fluviapreset");
    ScratchFolder::Write(path, content);
    library.ReadPresetFile(path);
    core.BlockStart();
    const std::string broken = testing::CheckAfterRead(core, *core.engine, before);
    ASSERT_TRUE(broken.empty()) << what << ": " << broken << "\n" << content.substr(0, 400);
  }

  std::string RandomBytes(size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string s(size, '\0');
    for (char& c : s) c = char(byte(random));
    return s;
  }
  std::string Pick(const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
  }
  // Markup made of the real tags, other tags, numbers of every kind and noise.
  std::string RandomMarkup() {
    static const std::vector<std::string> numbers = {
        "0", "1", "0.5", "-0.5", "1.5", "1e39", "-1e39", "1e400", "-1e-400", "nan", "NaN", "inf",
        "-inf", "infinity", "0x1p-3", " 0.25 ", "0.3abc", "", ".", "+", "-", "1e", "1e+", "5.",
        ".5", "00000000000000000000000000000000000000000000000000000001",
        "0." + std::string(5000, '9'), std::string(400, '9'), "1e-5", "\n0.7\r\n", "\t"};
    std::vector<std::string> tokens;
    for (const auto& p : StoredPresetParams()) {
      tokens.push_back(std::string("<") + p.tag + ">");
      tokens.push_back(std::string("</") + p.tag + ">");
    }
    for (const char* other : {"<ModStochasticAmt>", "</ModStochasticAmt>", "<PresetSelector>",
                              "</PresetSelector>", "<Company>", "</Company>", "<", ">", "</",
                              "\n", "\r\n", " ", "<<AmpMainVolume>>", "</AmpMainVolume"}) {
      tokens.push_back(other);
    }
    std::string s;
    const int count = std::uniform_int_distribution<int>(0, 60)(random);
    for (int i = 0; i < count; ++i) {
      switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0: s += Pick(numbers); break;
        case 1: s += RandomBytes(std::uniform_int_distribution<size_t>(0, 8)(random)); break;
        default: s += Pick(tokens); break;
      }
    }
    return s;
  }

  std::mt19937_64 random{20240611};
};

TEST_F(PresetReadFuzzTest, RandomBytesAndMarkup) {
  for (int i = 0; i < 300; ++i) {
    ReadAndCheck(RandomBytes(std::uniform_int_distribution<size_t>(0, 600)(random)), "bytes");
  }
  for (int i = 0; i < 1500; ++i) ReadAndCheck(RandomMarkup(), "markup");
}

TEST_F(PresetReadFuzzTest, NestedRepeatedAndOutOfRangeElements) {
  const char* cases[] = {
      "<AmpMainVolume><AmpMainVolume>0.5</AmpMainVolume></AmpMainVolume>",
      "<AmpMainVolume>2</AmpMainVolume><AmpMainVolume>0.1</AmpMainVolume>",
      "<SystemEnergyAmt>-1e308</SystemEnergyAmt><SoundfieldAmt>1e308</SoundfieldAmt>",
      "<ContainerSize>nan</ContainerSize><ContainerDamping>-nan</ContainerDamping>",
      "<ParticlesCollisions>inf</ParticlesCollisions><ParticlesMassSpread>-0</ParticlesMassSpread>",
      "</AmpFadeInOut>0.4<AmpFadeInOut>",
      "<AmpFadeInOut>",
      "<AmpFadeInOut>\0 0.5</AmpFadeInOut>",
  };
  for (const char* c : cases) ReadAndCheck(c, c);
}

TEST_F(PresetReadFuzzTest, LongLinesAndHugeFiles) {
  // One very long line with the elements at its end.
  ReadAndCheck(std::string(600000, 'x') + PresetFileText({1, 1, 1, 1, 1, 1, 1, 1, 1}), "long");
  EXPECT_EQ(Value(kAmpMainVolume), 1.0);
  // A number of a hundred thousand digits.
  ReadAndCheck("<AmpMainVolume>0." + std::string(100000, '3') + "</AmpMainVolume>", "digits");
  EXPECT_EQ(Value(kAmpMainVolume), double(0.33333334f));
  // Larger than any preset: not read at all.
  ScratchFolder::Write(scratch.File("huge.fluviapreset"),
                       std::string(kMaxPresetFileBytes, '\n') + "<AmpMainVolume>0.5</AmpMainVolume>");
  core.GetParam(kAmpMainVolume)->SetValue(0.9);
  EXPECT_EQ(library.ReadPresetFile(scratch.File("huge.fluviapreset")), PresetReadResult::NotRead);
  EXPECT_EQ(Value(kAmpMainVolume), 0.9);
}

}  // namespace
}  // namespace fluvia
