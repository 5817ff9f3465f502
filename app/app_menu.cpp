// The application's entries in the editor's header menu: a held note, the audio output, its
// sample rate and block size, the MIDI input and recording. The lists are made afresh each
// time the menu opens, so a device plugged in meanwhile is there.

#include <algorithm>
#include <memory>

#include "app/application.h"
#include "app/application_menu.h"
#include "app/core/wav_recorder.h"
#include "app/devices/audio_output.h"
#include "app/devices/midi_inputs.h"
#include "graphics/menu_list.h"

namespace fluvia::app {
namespace {

enum TopEntry { kHoldEntry, kAudioEntry, kRateEntry, kBufferEntry, kMidiEntry, kRecordEntry };

const int kCommonRates[] = {44100, 48000, 88200, 96000};
const int kBufferSizes[] = {64, 128, 256, 512, 1024, 2048};

int Checked(bool on) { return on ? IMenuEntry::kChecked : 0; }

}  // namespace


void Application::AddEntries(IMenuList& menu) {
  auto fresh = std::make_unique<Menu>();
  Menu& m = *fresh;
  m.base = menu.NumItems();
  const bool playing = audio_->IsOpen();

  // Outputs, with the one playing checked (listed even when it is too busy to be probed).
  m.outputs = ListAudioOutputs();
  const bool listed = std::any_of(m.outputs.begin(), m.outputs.end(), [&](const auto& device) {
    return device.api == audio_->Api() && device.name == audio_->Device();
  });
  if (playing && !listed) {
    AudioOutputDevice current;
    current.api = audio_->Api();
    current.name = audio_->Device();
    m.outputs.insert(m.outputs.begin(), current);
  }
  for (const AudioOutputDevice& device : m.outputs) {
    m.audio.AddItem(device.name + " (" + AudioApiDisplayName(device.api) + ")",
                    Checked(playing && device.api == audio_->Api() &&
                            device.name == audio_->Device()));
  }
  if (m.outputs.empty()) m.audio.AddItem("No audio output found", IMenuEntry::kGreyed);
  m.audio.AddSeparator();
  m.audio.AddItem("None", Checked(!playing));

  // Rates the device offers (the common ones when it does not say); a JACK server sets its
  // own rate and block size, which are shown but not offered.
  const bool fixed = playing && AudioApiFixesFormat(audio_->Api());
  std::vector<int> offered;
  for (const AudioOutputDevice& device : m.outputs) {
    if (device.api == audio_->Api() && device.name == audio_->Device()) {
      offered = device.sampleRates;
    }
  }
  for (int rate : kCommonRates) {
    if (offered.empty() || std::find(offered.begin(), offered.end(), rate) != offered.end()) {
      m.rateValues.push_back(rate);
    }
  }
  if (playing && std::find(m.rateValues.begin(), m.rateValues.end(), audio_->SampleRate()) ==
                     m.rateValues.end()) {
    m.rateValues.push_back(audio_->SampleRate());
    std::sort(m.rateValues.begin(), m.rateValues.end());
  }
  for (int rate : m.rateValues) {
    const bool current = playing && rate == audio_->SampleRate();
    m.rates.AddItem(std::to_string(rate) + " Hz",
                    Checked(current) | (!playing || (fixed && !current) ? IMenuEntry::kGreyed : 0));
  }
  for (int frames : kBufferSizes) {
    const bool current = playing && frames == audio_->BufferFrames();
    m.buffers.AddItem(std::to_string(frames) + " frames",
                      Checked(current) |
                          (!playing || (fixed && !current) ? IMenuEntry::kGreyed : 0));
  }
  if (playing && std::find(std::begin(kBufferSizes), std::end(kBufferSizes),
                           audio_->BufferFrames()) == std::end(kBufferSizes)) {
    m.buffers.AddItem(std::to_string(audio_->BufferFrames()) + " frames",
                      IMenuEntry::kChecked | IMenuEntry::kGreyed);
  }

  m.ports = midi_->List();
  m.midi.AddItem("None", Checked(!midi_->IsOpen()));
  for (const MidiPort& port : m.ports) {
    m.midi.AddItem(port.name + " (" + MidiApiDisplayName(port.api) + ")",
                   Checked(midi_->IsOpen() && port.api == midi_->Api() &&
                           SameMidiPort(port.name, midi_->Name())));
  }

  menu.AddItem("Hold a note", Checked(hold_));
  menu.AddSubMenu("Audio output", &m.audio);
  menu.AddSubMenu(fixed ? "Sample rate (set by JACK)" : "Sample rate", &m.rates);
  menu.AddSubMenu(fixed ? "Buffer size (set by JACK)" : "Buffer size", &m.buffers);
  menu.AddSubMenu("MIDI input", &m.midi);
  if (recorder_->Recording()) {
    menu.AddItem("Stop recording");
  } else {
    menu.AddItem("Record to WAV file...", playing ? 0 : IMenuEntry::kGreyed);
  }
  menu_ = std::move(fresh);
}

void Application::EntryChosen(IMenuList& list, int index) {
  if (!menu_ || index < 0) return;
  Menu& m = *menu_;
  const int rate = audio_->IsOpen() ? audio_->SampleRate() : saved_.sampleRate.value_or(0);
  const int frames = audio_->IsOpen() ? audio_->BufferFrames() : saved_.bufferSize.value_or(0);

  if (&list == &m.audio) {
    if (index < int(m.outputs.size())) {
      const AudioOutputDevice device = m.outputs[size_t(index)];
      if (OpenAudio(device.api, device.name, rate, frames) && audio_->Device() == device.name) {
        saved_.audioApi = device.api;
        saved_.audioDevice = device.name;
        SaveSettings({{"AudioApi", device.api}, {"AudioDevice", SettingsSafeName(device.name)}});
      }
    } else if (index == int(m.outputs.size()) + (m.outputs.empty() ? 2 : 1)) {
      CloseAudio();
      saved_.audioDevice = kNoDevice;
      SaveSettings({{"AudioDevice", kNoDevice}});
    }
  } else if (&list == &m.rates) {
    if (index >= int(m.rateValues.size()) || !audio_->IsOpen()) return;
    const int chosen = m.rateValues[size_t(index)];
    if (OpenAudio(audio_->Api(), audio_->Device(), chosen, frames) &&
        audio_->SampleRate() == chosen) {
      saved_.sampleRate = chosen;
      SaveSettings({{"SampleRate", std::to_string(chosen)}});
    }
  } else if (&list == &m.buffers) {
    if (index >= int(std::size(kBufferSizes)) || !audio_->IsOpen()) return;
    const int chosen = kBufferSizes[index];
    if (OpenAudio(audio_->Api(), audio_->Device(), rate, chosen)) {
      if (audio_->BufferFrames() != chosen) {
        Tell("The audio output plays blocks of " + std::to_string(audio_->BufferFrames()) +
             " frames; it does not take " + std::to_string(chosen) + ".");
      } else {
        saved_.bufferSize = chosen;
        SaveSettings({{"BufferSize", std::to_string(chosen)}});
      }
    }
  } else if (&list == &m.midi) {
    if (index == 0) {
      midi_->Close();
      saved_.midiInput = kNoDevice;
      SaveSettings({{"MidiInput", kNoDevice}});
    } else if (index <= int(m.ports.size())) {
      const MidiPort port = m.ports[size_t(index - 1)];
      OpenMidi(port.api, port.name);
      if (midi_->IsOpen()) {
        saved_.midiApi = port.api;
        saved_.midiInput = port.name;
        SaveSettings({{"MidiApi", port.api}, {"MidiInput", SettingsSafeName(port.name)}});
      }
    }
  } else {
    // The header menu itself.
    switch (index - m.base) {
      case kHoldEntry:
        SetHold(!hold_);
        break;
      case kRecordEntry:
        if (recorder_->Recording()) {
          StopRecording();
        } else {
          ChooseRecordFile();
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace fluvia::app
