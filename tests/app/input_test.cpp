// What reaches the application from outside: the command line, the settings file, the saved
// state, MIDI bytes and the computer keyboard. Every malformed input has a defined answer.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/application.h"
#include "app/core/app_options.h"
#include "app/core/app_settings.h"
#include "app/core/midi_bytes.h"
#include "app/core/note_keyboard.h"
#include "app/core/state_file.h"

namespace fluvia::app {
namespace {

namespace fs = std::filesystem;

bool Parse(std::vector<const char*> args, AppOptions& options, std::string& error) {
  args.insert(args.begin(), "fluvia");
  return ParseAppOptions(int(args.size()), args.data(), options, error);
}

TEST(CommandLine, EveryMenuChoiceHasItsOption) {
  AppOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--audio-api", "jack", "--audio-device=system", "--sample-rate", "44100",
                     "--buffer-size=128", "--midi-input", "kbd:out 1", "--hold-note",
                     "--preset", "SFX - Shower", "--record=/tmp/a b.wav", "--quit-after", "2.5"},
                    o, error))
      << error;
  EXPECT_EQ(o.audioApi, "jack");
  EXPECT_EQ(o.audioDevice, "system");
  EXPECT_EQ(o.sampleRate, 44100);
  EXPECT_EQ(o.bufferSize, 128);
  EXPECT_EQ(o.midiInput, "kbd:out 1");
  EXPECT_EQ(o.holdNote, kDefaultHeldNote);  // the next argument is not a number
  EXPECT_EQ(o.preset, "SFX - Shower");
  EXPECT_EQ(o.record, "/tmp/a b.wav");
  EXPECT_EQ(o.quitAfter, 2.5);

  AppOptions n;
  ASSERT_TRUE(Parse({"--hold-note", "72", "--list-devices"}, n, error));
  EXPECT_EQ(n.holdNote, 72);
  EXPECT_TRUE(n.listDevices);
  ASSERT_TRUE(Parse({"--hold-note=0", "-h"}, n, error));
  EXPECT_EQ(n.holdNote, 0);
  EXPECT_TRUE(n.help);
  EXPECT_NE(AppUsage().find("--list-devices"), std::string::npos);
}

TEST(CommandLine, BadValuesAreRefusedWithTheArgumentNamed) {
  const std::vector<std::vector<const char*>> bad = {
      {"--sample-rate", "48k"},     {"--sample-rate", "1000"},  {"--sample-rate=999999999999"},
      {"--sample-rate"},            {"--buffer-size", "-5"},     {"--buffer-size", "9000"},
      {"--buffer-size", "12.5"},    {"--hold-note=128"},         {"--hold-note", "200"},
      {"--quit-after", "0"},        {"--quit-after", "nan"},     {"--quit-after=1e9"},
      {"--audio-device", ""},       {"--midi-input", "a\nb"},   {"--record"},
      {"--bogus"},                  {"extra"},                   {"--help=yes"},
  };
  for (const auto& args : bad) {
    AppOptions o;
    std::string error;
    EXPECT_FALSE(Parse(args, o, error)) << args[0];
    EXPECT_NE(error.find(std::string(args[0]).substr(0, std::string(args[0]).find('='))),
              std::string::npos)
        << error;
  }
}

TEST(SettingsLines, TheApplicationsKeysParseAndBadOnesAreNamed) {
  std::vector<std::string> problems;
  const AppSettings s = ParseAppSettings(
      "EditorSize=Small\nAudioApi=jack\nAudioDevice= system \nSampleRate=44100\n"
      "BufferSize=lots\nMidiApi=alsa\nMidiInput=Keystation 49 MIDI 1 24:0\nSampleRate=96000\n"
      "\xff\xfe garbage\n=\nAudioDevice=\n",
      &problems);
  EXPECT_EQ(s.audioApi, "jack");
  EXPECT_FALSE(s.audioDevice.has_value());  // the last line sets it to nothing
  EXPECT_EQ(s.sampleRate, 96000);
  EXPECT_FALSE(s.bufferSize.has_value());
  EXPECT_EQ(s.midiInput, "Keystation 49 MIDI 1 24:0");
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("BufferSize=lots"), std::string::npos);
  EXPECT_NE(problems[1].find("AudioDevice"), std::string::npos);

  // Written back, a name cannot break the file into extra lines.
  AppSettings out;
  out.audioDevice = "evil\nSampleRate=1";
  out.bufferSize = 512;
  const std::string text = WithSettings("EditorSize=Large\n", AppSettingChanges(out));
  const AppSettings back = ParseAppSettings(text);
  EXPECT_EQ(back.audioDevice, "evil SampleRate=1");
  EXPECT_EQ(back.bufferSize, 512);
  EXPECT_FALSE(back.sampleRate.has_value());
  EXPECT_NE(text.find("EditorSize=Large"), std::string::npos);
}

TEST(StateFile, ARoundTripAndEveryDamageIsRecognised) {
  StateChunk block;
  for (int i = 0; i < 26; ++i) block.PutDouble(i * 0.5);
  const std::string bytes = EncodeState(block);
  StateChunk back;
  ASSERT_TRUE(DecodeState(bytes, block.Size(), back));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.Data()), size_t(back.Size())),
            std::string(reinterpret_cast<const char*>(block.Data()), size_t(block.Size())));

  std::vector<std::string> damaged = {bytes.substr(0, bytes.size() - 1), bytes + "x", "",
                                      "FluviaAppState\n", std::string(bytes.size(), '\0')};
  std::string otherVersion = bytes;
  otherVersion[15] = 2;
  damaged.push_back(otherVersion);
  std::string otherSize = bytes;
  otherSize[19] = 1;
  damaged.push_back(otherSize);
  for (const std::string& d : damaged) EXPECT_FALSE(DecodeState(d, block.Size(), back));
  EXPECT_FALSE(DecodeState(bytes, block.Size() + 8, back));  // another instrument's block
}

TEST(StateFile, ADamagedFileIsSetAsideNotOverwritten) {
  const fs::path folder = fs::path(::testing::TempDir()) / "fluvia app state";
  fs::remove_all(folder);
  const std::string path = StateFileFor((folder / "Presets/").string());
  EXPECT_EQ(fs::path(path).filename(), kStateFileName);
  StateChunk block, read;
  std::string aside;
  EXPECT_EQ(ReadStateFile(path, 208, read, aside), StateRead::Missing);
  for (int i = 0; i < 26; ++i) block.PutDouble(1.0);
  ASSERT_TRUE(WriteStateFile(path, block));
  EXPECT_EQ(ReadStateFile(path, 208, read, aside), StateRead::Restored);

  std::ofstream(path, std::ios::binary) << "not a state";
  EXPECT_EQ(ReadStateFile(path, 208, read, aside), StateRead::Damaged);
  EXPECT_EQ(aside, path + ".damaged");
  EXPECT_FALSE(fs::exists(path));
  std::ifstream kept(aside);
  std::ostringstream content;
  content << kept.rdbuf();
  EXPECT_EQ(content.str(), "not a state");
  fs::remove_all(folder);
}

TEST(MidiBytes, OnlyWholeChannelMessagesPass) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool passes;
  };
  const Case cases[] = {
      {{0x90, 60, 100}, true}, {{0x8F, 60, 0}, true},   {{0xB0, 7, 127}, true},
      {{0xC3, 5}, true},       {{0xD0, 64}, true},      {{0xE0, 0, 64}, true},
      {{0x90, 60}, false},     {{0x90, 60, 100, 1}, false}, {{0xC0, 5, 6}, false},
      {{0x90, 0x80, 100}, false}, {{60, 100}, false},   {{0xF0, 1, 2, 0xF7}, false},
      {{0xF8}, false},         {{}, false},
  };
  for (const Case& c : cases) {
    const auto message = ChannelMessageFromBytes(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(message.has_value(), c.passes) << int(c.bytes.empty() ? 0 : c.bytes[0]);
    if (message) {
      EXPECT_EQ(message->status, c.bytes[0]);
      EXPECT_EQ(message->data1, c.bytes[1]);
    }
  }
  EXPECT_FALSE(ChannelMessageFromBytes(nullptr, 3).has_value());
}

TEST(ComputerKeyboard, LettersPlayNotesAndOctavesMove) {
  NoteKeyboard keys;
  const auto c = keys.KeyDown('A', 0);
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->status, 0x90);
  EXPECT_EQ(c->data1, 60);
  EXPECT_EQ(c->data2, NoteKeyboard::kVelocity);
  EXPECT_FALSE(keys.KeyDown('A', 0).has_value());  // held: no repeat
  EXPECT_EQ(keys.KeyDown('W', 0)->data1, 61);
  EXPECT_EQ(keys.KeyDown(';', 0)->data1, 76);
  EXPECT_FALSE(keys.KeyDown('Q', 0).has_value());
  // An octave change while A is held: its release still ends middle C.
  EXPECT_FALSE(keys.KeyDown('X', 0).has_value());
  EXPECT_EQ(keys.NoteFor('A'), 72);
  const auto up = keys.KeyUp('A', 0);
  ASSERT_TRUE(up.has_value());
  EXPECT_EQ(up->status, 0x80);
  EXPECT_EQ(up->data1, 60);
  EXPECT_FALSE(keys.KeyUp('A', 0).has_value());
  // Leaving the window ends what is still held.
  const std::vector<MidiMessage> rest = keys.ReleaseAll(3);
  ASSERT_EQ(rest.size(), 2u);
  EXPECT_EQ(rest[0].status, 0x83);
  EXPECT_TRUE(keys.ReleaseAll(0).empty());
  for (int i = 0; i < 10; ++i) keys.KeyDown('Z', 0);
  EXPECT_EQ(keys.NoteFor('A'), 24);
  for (int i = 0; i < 10; ++i) keys.KeyDown('X', 0);
  EXPECT_EQ(keys.NoteFor('A'), 96);
  EXPECT_EQ(keys.NoteFor(';'), 112);
  EXPECT_FALSE(keys.KeyDown(char(-3), 0).has_value());
}

TEST(Notices, LongMessagesAreWrappedAtWords) {
  const std::string wrapped = WrapText(
      "No audio device is available, so Fluvia plays no sound.\nChoose one later.", 20);
  EXPECT_EQ(wrapped, "No audio device is\navailable, so Fluvia\nplays no sound.\nChoose one later.");
  EXPECT_EQ(WrapText("averyveryverylongword x", 5), "averyveryverylongword\nx");
}

}  // namespace
}  // namespace fluvia::app
