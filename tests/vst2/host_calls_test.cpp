// What the adapter sends the host for the plug-in core, in-process: MIDI and system-exclusive
// events through the process-events callback, edits, automation and the display update.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "adapters/vst2/plugin_vst2.h"
#include "instrument/fluvia.h"

namespace fluvia {
namespace {

struct Received {
  int32_t opcode;
  int32_t index;
  float option;
  std::vector<uint8_t> event;  // the first event's bytes, for process-events
  std::vector<uint8_t> dump;   // a system-exclusive event's data
};
std::vector<Received> gReceived;

intptr_t RecordingHost(vst2::Effect*, int32_t opcode, int32_t index, intptr_t, void* ptr,
                       float option) {
  Received call{opcode, index, option, {}, {}};
  if (opcode == vst2::kHostProcessEvents && ptr) {
    const auto* list = static_cast<const vst2::EventList*>(ptr);
    if (list->numEvents != 1 || !list->events[0]) return 0;
    const vst2::Event* event = list->events[0];
    const auto* bytes = reinterpret_cast<const uint8_t*>(event);
    call.event.assign(bytes, bytes + event->byteSize);
    if (event->type == vst2::kEventSysEx) {
      const auto* sysex = reinterpret_cast<const vst2::SysExEvent*>(event);
      call.dump.assign(sysex->sysexDump, sysex->sysexDump + sysex->dumpBytes);
    }
  }
  gReceived.push_back(call);
  return opcode == vst2::kHostProcessEvents ? 1 : 0;
}

TEST(Vst2HostCalls, EventsEditsAndUpdatesReachTheHost) {
  FluviaOptions options;
  options.api = PluginApi::VST2;
  options.presetFolder = (std::filesystem::temp_directory_path() / "fluvia-vst2-calls").string();
  auto* plugin = new IPluginVST2(std::make_unique<Fluvia>(options), &RecordingHost);
  IPluginCore& core = plugin->Core();
  gReceived.clear();

  MidiMessage note;
  note.offset = 12;
  note.status = 0x91;
  note.data1 = 64;
  note.data2 = 99;
  EXPECT_TRUE(core.SendMidi(note));
  const uint8_t data[] = {0xF0, 0x7E, 0x00, 0xF7};
  SysExMessage sysex;
  sysex.offset = 7;
  sysex.size = sizeof(data);
  sysex.data = data;
  EXPECT_TRUE(core.SendSysEx(sysex));
  core.BeginParamEdit(3);
  core.ReportParamChange(3, 0.25);
  core.EndParamEdit(3);
  core.ReportPresetChange();

  ASSERT_EQ(gReceived.size(), 6u);
  vst2::MidiEvent midi{};
  ASSERT_EQ(gReceived[0].event.size(), sizeof(midi));
  std::memcpy(&midi, gReceived[0].event.data(), sizeof(midi));
  EXPECT_EQ(midi.type, vst2::kEventMidi);
  EXPECT_EQ(midi.deltaFrames, 12);
  EXPECT_EQ(uint8_t(midi.midiData[0]), 0x91);
  EXPECT_EQ(midi.midiData[1], 64);
  EXPECT_EQ(midi.midiData[2], 99);

  vst2::SysExEvent event{};
  ASSERT_EQ(gReceived[1].event.size(), sizeof(event));
  std::memcpy(&event, gReceived[1].event.data(), sizeof(event));
  EXPECT_EQ(event.type, vst2::kEventSysEx);
  EXPECT_EQ(event.deltaFrames, 7);
  EXPECT_EQ(gReceived[1].dump, std::vector<uint8_t>(data, data + sizeof(data)));

  EXPECT_EQ(gReceived[2].opcode, vst2::kHostBeginEdit);
  EXPECT_EQ(gReceived[2].index, 3);
  EXPECT_EQ(gReceived[3].opcode, vst2::kHostAutomate);
  EXPECT_EQ(gReceived[3].option, 0.25f);
  EXPECT_EQ(gReceived[4].opcode, vst2::kHostEndEdit);
  EXPECT_EQ(gReceived[5].opcode, vst2::kHostUpdateDisplay);

  plugin->Effect()->dispatcher(plugin->Effect(), vst2::kClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
}  // namespace fluvia
