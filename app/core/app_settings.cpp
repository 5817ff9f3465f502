#include "app/core/app_settings.h"

#include "app/core/app_options.h"

namespace fluvia::app {
namespace {

constexpr const char* kAudioApi = "AudioApi";
constexpr const char* kAudioDevice = "AudioDevice";
constexpr const char* kSampleRate = "SampleRate";
constexpr const char* kBufferSize = "BufferSize";
constexpr const char* kMidiApi = "MidiApi";
constexpr const char* kMidiInput = "MidiInput";
constexpr std::size_t kMaxNameLength = 256;

}  // namespace

std::string SettingsSafeName(std::string_view name) {
  std::string out(name.substr(0, kMaxNameLength));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return out;
}

AppSettings ParseAppSettings(std::string_view text, std::vector<std::string>* problems) {
  AppSettings settings;
  auto complain = [&](std::string_view key, std::string_view value, const char* expected) {
    if (problems) {
      problems->push_back("Settings.txt: " + std::string(key) + "=" +
                          SettingsSafeName(value.substr(0, 40)) + " is not " + expected +
                          "; it is ignored.");
    }
  };
  auto name = [&](std::string_view key, std::string_view value, std::optional<std::string>& out) {
    if (value.empty() || value.size() > kMaxNameLength) {
      complain(key, value, "a name");
      out.reset();
    } else {
      out = std::string(value);
    }
  };
  ForEachSetting(text, [&](std::string_view key, std::string_view value) {
    if (key == kAudioApi) {
      name(key, value, settings.audioApi);
    } else if (key == kAudioDevice) {
      name(key, value, settings.audioDevice);
    } else if (key == kMidiApi) {
      name(key, value, settings.midiApi);
    } else if (key == kMidiInput) {
      name(key, value, settings.midiInput);
    } else if (key == kSampleRate) {
      settings.sampleRate = ParseWholeNumber(std::string(value), kMinSampleRate, kMaxSampleRate);
      if (!settings.sampleRate) complain(key, value, "a sample rate");
    } else if (key == kBufferSize) {
      settings.bufferSize =
          ParseWholeNumber(std::string(value), kMinBufferFrames, kMaxBufferFrames);
      if (!settings.bufferSize) complain(key, value, "a buffer size");
    }
  });
  return settings;
}

SettingChanges AppSettingChanges(const AppSettings& settings) {
  auto text = [](const std::optional<std::string>& value) {
    return value ? SettingsSafeName(*value) : std::string();
  };
  auto number = [](const std::optional<int>& value) {
    return value ? std::to_string(*value) : std::string();
  };
  return {{kAudioApi, text(settings.audioApi)},   {kAudioDevice, text(settings.audioDevice)},
          {kSampleRate, number(settings.sampleRate)}, {kBufferSize, number(settings.bufferSize)},
          {kMidiApi, text(settings.midiApi)},     {kMidiInput, text(settings.midiInput)}};
}

}  // namespace fluvia::app
