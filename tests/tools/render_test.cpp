#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>
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

TEST(RenderOptionsTest, TimedNotesFromOptionsAndAFile) {
  const std::string path = ::testing::TempDir() + "fluvia-notes.txt";
  {
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("# drips\n0.5 64\n\n1.25 67 80 0.01\n", file);
    std::fclose(file);
  }
  RenderOptions options;
  std::string error;
  ASSERT_TRUE(Parse({"-o", "x.wav", "--at", "0:72:90:0.005", "--at", "0.25:60", "--sequence",
                     path.c_str(), "--velocity", "70", "--length", "0.1"},
                    options, error))
      << error;
  ASSERT_EQ(options.timedNotes.size(), 4u);
  EXPECT_EQ(options.timedNotes[0].note, 72);
  EXPECT_EQ(options.timedNotes[0].velocity, 90);
  EXPECT_DOUBLE_EQ(options.timedNotes[0].length, 0.005);
  EXPECT_EQ(options.timedNotes[1].velocity, 70);  // the defaults, wherever they stand
  EXPECT_DOUBLE_EQ(options.timedNotes[1].length, 0.1);
  EXPECT_DOUBLE_EQ(options.timedNotes[2].start, 0.5);
  EXPECT_EQ(options.timedNotes[3].velocity, 80);

  // A note ending where another starts on its key is re-struck; a note of no length starts
  // and ends on its frame.
  const std::vector<NoteEvent> events =
      ScheduleNotes({{0.0, 60, 100, 0.5}, {0.5, 60, 90, 0.0}, {0.5, 62, 90, 0.25}}, 1000.0);
  ASSERT_EQ(events.size(), 6u);
  EXPECT_TRUE(events[0].on);
  EXPECT_EQ(events[1].frame, 500);
  EXPECT_FALSE(events[1].on);  // the end of the first note comes first
  EXPECT_TRUE(events[2].on && events[3].on);
  EXPECT_FALSE(events[4].on);
  EXPECT_EQ(events[4].note, 60);
  EXPECT_EQ(events[5].frame, 750);
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
      {"-o", "x.wav", "--at", "1"},
      {"-o", "x.wav", "--at", "-1:60"},
      {"-o", "x.wav", "--at", "0:128"},
      {"-o", "x.wav", "--at", "0:60:0"},
      {"-o", "x.wav", "--at", "0:60:100:-2"},
      {"-o", "x.wav", "--at", "0:60:100:1:5"},
      {"-o", "x.wav", "--at", "3599:60:100:10"},
      {"-o", "x.wav", "--sequence", "/nonexistent/notes.txt"},
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

// Runs the tool with a home of its own; the exit code and everything it printed.
std::pair<int, std::string> RunRenderWithHome(const std::string& home, const std::string& arguments) {
  const std::string command = "HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/.config' " +
                              std::string(FLUVIA_RENDER_EXE) + " " + arguments + " 2>&1";
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, output};
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(RenderToolTest, ParameterNamesAreListedAndAPresetNumberMustNameAFile) {
  const std::string home = ::testing::TempDir() + "fluvia render home";
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  const std::string wav = "-o '" + home + "/x.wav' --length 0.05 --tail 0";

  // --help names every parameter, the knobs with their labels.
  const auto help = RunRenderWithHome(home, "--help");
  EXPECT_EQ(help.first, 0);
  for (const char* name : {"ParticlesCollisions", "Collisions", "SystemEnergyAmt", "Fading",
                           "PresetSelector", "Library Preset", "HostTempoBpm", "zInitParams"}) {
    EXPECT_NE(help.second.find(name), std::string::npos) << name;
  }

  // An unknown name is answered with the valid ones; a label is as good as a name.
  const auto unknown = RunRenderWithHome(home, wav + " --param Foo=1");
  EXPECT_EQ(unknown.first, 2);
  EXPECT_NE(unknown.second.find("no parameter named 'Foo'"), std::string::npos) << unknown.second;
  EXPECT_NE(unknown.second.find("ParticlesCollisions"), std::string::npos) << unknown.second;
  EXPECT_EQ(RunRenderWithHome(home, wav + " --param Collisions=0.6").first, 0);

  // The factory presets, as an installation lays them; slot 7 and 0 name no file.
  const std::string presets = home + "/Documents/VelmoraAudio/Fluvia/Presets/";
  std::filesystem::create_directories(presets + "Factory");
  for (const auto& file : std::filesystem::directory_iterator(FLUVIA_FACTORY_PRESET_DIR)) {
    if (file.path().extension() == ".fluviapreset") {
      std::filesystem::copy_file(file.path(), presets + "Factory/" + file.path().filename().string());
    }
  }
  EXPECT_EQ(RunRenderWithHome(home, wav + " --param PresetSelector=1").first, 0);
  for (const char* none : {"7", "0", "-1", "500"}) {
    const auto missing = RunRenderWithHome(home, wav + " --param PresetSelector=" + none);
    EXPECT_EQ(missing.first, 2) << none;
    EXPECT_NE(missing.second.find("names no preset"), std::string::npos) << missing.second;
    EXPECT_NE(missing.second.find("1 (WLCM - The River Wild)"), std::string::npos) << missing.second;
  }
  // A preset saved into a slot is played by its number.
  const std::string slot = presets + "User/USR - Fluvia User Preset 001.fluviapreset";
  std::filesystem::create_directories(std::filesystem::path(slot).parent_path());
  { std::FILE* f = std::fopen(slot.c_str(), "w"); std::fputs("<AmpMainVolume>0.5</AmpMainVolume>", f); std::fclose(f); }
  EXPECT_EQ(RunRenderWithHome(home, wav + " --param PresetSelector=7").first, 0);
  std::filesystem::remove_all(home);
}

TEST(RenderToolTest, TimedNotesGiveTheSameFileAtEveryBlockSize) {
  const std::string notes = "--param AmpFadeInOut=0 --at 0.01:72:100:0.005 --at 0.0213:76 "
                            "--length 0.02 --tail 0.1 -o ";
  const std::string a = ::testing::TempDir() + "fluvia-timed-7.wav";
  const std::string b = ::testing::TempDir() + "fluvia-timed-1024.wav";
  ASSERT_EQ(RunRender(notes + "'" + a + "' --block 7"), 0);
  ASSERT_EQ(RunRender(notes + "'" + b + "' --block 1024"), 0);
  auto read = [](const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> samples(size_t(info.frames) * 2);
    if (file) sf_readf_float(file, samples.data(), info.frames), sf_close(file);
    return samples;
  };
  const std::vector<float> small = read(a), large = read(b);
  ASSERT_EQ(small.size(), size_t(std::lround((0.0213 + 0.02 + 0.1) * 48000)) * 2);
  EXPECT_EQ(small, large);
  // Silent until the first note's frame (0.01 s = frame 480), sounding after it.
  for (size_t i = 0; i < 480 * 2; ++i) ASSERT_EQ(small[i], 0.f) << i;
  float peak = 0.f;
  for (float s : small) peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 1e-3f);
}

}  // namespace
}  // namespace fluvia::render
