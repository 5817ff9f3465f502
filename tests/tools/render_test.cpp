#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/render/render_options.h"

namespace fluvia::render {
namespace {

bool Parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
  args.insert(args.begin(), "fluvia-render");
  return ParseRenderOptions(int(args.size()), args.data(), options, error);
}

TEST(RenderOptionsTest, GoodArguments) {
  RenderOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"-o", "x.wav", "--note", "48", "--velocity", "127", "--length", "0.5",
                     "--tail", "0", "--rate", "96000", "--block", "64", "--param",
                     "SoundfieldAmt=0.25", "--param", "PresetSelector=1"},
                    options, error))
      << error;
  EXPECT_EQ(options.note, 48);
  EXPECT_EQ(options.sampleRate, 96000.0);
  EXPECT_EQ(options.blockSize, 64);
  ASSERT_EQ(options.params.size(), 2u);
  EXPECT_EQ(options.params[0].first, "SoundfieldAmt");
  EXPECT_EQ(options.params[0].second, 0.25);
}

TEST(RenderOptionsTest, BadArgumentsAreRefusedWithAReason) {
  const std::vector<std::vector<const char*>> bad = {
      {},                                   // no output
      {"-o"},                               // missing value
      {"-o", "x.wav", "--note", "128"},
      {"-o", "x.wav", "--note", "6x"},
      {"-o", "x.wav", "--velocity", "0"},
      {"-o", "x.wav", "--block", "0"},
      {"-o", "x.wav", "--block", "100000"},
      {"-o", "x.wav", "--rate", "nan"},
      {"-o", "x.wav", "--length", "-1"},
      {"-o", "x.wav", "--param", "=3"},
      {"-o", "x.wav", "--param", "AmpMainVolume"},
      {"-o", "x.wav", "--param", "AmpMainVolume=loud"},
      {"-o", "x.wav", "--frobnicate"},
  };
  for (const auto& args : bad) {
    RenderOptions options;
    std::string error;
    EXPECT_FALSE(Parse(args, options, error)) << (args.empty() ? "(none)" : args.back());
    EXPECT_FALSE(error.empty());
  }
}

int RunRender(const std::string& arguments) {
  const std::string command = std::string(FLUVIA_RENDER_EXE) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RenderToolTest, WritesAStereoWavOfTheRequestedLengthAndFailsOnBadInput) {
  const std::string path = ::testing::TempDir() + "fluvia render test.wav";
  std::remove(path.c_str());
  ASSERT_EQ(RunRender("-o '" + path + "' --length 0.5 --tail 0.25 --rate 44100 --block 100"), 0);
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_EQ(info.frames, 33075);
  std::vector<float> samples(size_t(info.frames) * 2);
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  double energy = 0.0;
  for (float s : samples) energy += double(s) * double(s);
  EXPECT_GT(energy, 0.0);  // the note sounds

  EXPECT_EQ(RunRender("-o '" + path + "' --param NoSuchParam=1"), 2);
  EXPECT_EQ(RunRender("--note 60"), 2);
  EXPECT_NE(RunRender("-o /nonexistent-folder/x.wav --length 0.1 --tail 0"), 0);
  EXPECT_EQ(RunRender("--help"), 0);
}

}  // namespace
}  // namespace fluvia::render
