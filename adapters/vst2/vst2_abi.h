#pragma once
// The VST 2.4 binary interface as this module uses it: the effect record a host receives from
// the entry point, the records passed through the dispatcher and the host callback, and the
// opcode numbers. Declared here from the interface's published layout (no vendor header is
// used); every size and offset the module relies on is pinned below for 64-bit targets.
//
// Only the adapter and the VST2 test harness include this header.

#include <cstddef>
#include <cstdint>

namespace fluvia::vst2 {

struct Effect;

using HostCallback = intptr_t (*)(Effect* effect, int32_t opcode, int32_t index, intptr_t value,
                                  void* ptr, float option);
using DispatcherProc = intptr_t (*)(Effect* effect, int32_t opcode, int32_t index,
                                    intptr_t value, void* ptr, float option);
using ProcessProc = void (*)(Effect* effect, float** inputs, float** outputs, int32_t frames);
using ProcessDoubleProc = void (*)(Effect* effect, double** inputs, double** outputs,
                                   int32_t frames);
using SetParameterProc = void (*)(Effect* effect, int32_t index, float value);
using GetParameterProc = float (*)(Effect* effect, int32_t index);

// The record the entry point returns; the host reads the fields and calls the entries.
struct Effect {
  int32_t magic;
  DispatcherProc dispatcher;
  ProcessProc processAccumulating;
  SetParameterProc setParameter;
  GetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  intptr_t reserved1;
  intptr_t reserved2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offlineQualities;
  float ioRatio;
  void* object;
  void* user;
  int32_t uniqueId;
  int32_t version;
  ProcessProc processReplacing;
  ProcessDoubleProc processDoubleReplacing;
  char future[56];
};

constexpr int32_t kEffectMagic = 0x56737450;  // 'VstP'

// Effect flags.
constexpr int32_t kFlagHasEditor = 1;
constexpr int32_t kFlagCanMono = 8;
constexpr int32_t kFlagCanReplacing = 0x10;
constexpr int32_t kFlagProgramChunks = 0x20;
constexpr int32_t kFlagIsSynth = 0x100;
constexpr int32_t kFlagCanDoubleReplacing = 0x1000;

// Event list passed with the process-events opcode (both directions). The array is declared
// with two entries, as hosts do; the real length is numEvents.
struct Event {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  char data[16];
};

struct MidiEvent {
  int32_t type;  // kEventMidi
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};

struct SysExEvent {
  int32_t type;  // kEventSysEx
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t dumpBytes;
  intptr_t reserved1;
  char* sysexDump;
  intptr_t reserved2;
};

struct EventList {
  int32_t numEvents;
  intptr_t reserved;
  Event* events[2];
};

constexpr int32_t kEventMidi = 1;
constexpr int32_t kEventSysEx = 6;

// Transport record answered by the host's get-time opcode.
struct TimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  int32_t smpteOffset;
  int32_t smpteFrameRate;
  int32_t samplesToNextClock;
  int32_t flags;
};

constexpr int32_t kTransportPlaying = 2;
constexpr int32_t kTransportCycleActive = 4;
constexpr int32_t kPpqPosValid = 0x200;
constexpr int32_t kTempoValid = 0x400;
constexpr int32_t kBarsValid = 0x800;
constexpr int32_t kCyclePosValid = 0x1000;
constexpr int32_t kTimeSigValid = 0x2000;

struct Rect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct PinProperties {
  char label[64];
  int32_t flags;
  int32_t arrangementType;
  char shortLabel[8];
  char future[48];
};

constexpr int32_t kPinIsActive = 1;
constexpr int32_t kPinIsStereo = 2;

struct SpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[64];
  int32_t type;
  char future[28];
};

struct SpeakerArrangement {
  int32_t type;
  int32_t numChannels;
  SpeakerProperties speakers[8];
};

constexpr int32_t kArrangementEmpty = -1;
constexpr int32_t kArrangementMono = 0;
constexpr int32_t kArrangementStereo = 1;
constexpr int32_t kArrangementUserDefined = -2;

struct MidiKeyName {
  int32_t programIndex;
  int32_t keyNumber;
  char keyName[64];
  int32_t reserved;
  int32_t flags;
};

// Dispatcher opcodes (host to plug-in).
enum Opcode : int32_t {
  kOpen = 0,
  kClose = 1,
  kSetProgram = 2,
  kGetProgram = 3,
  kSetProgramName = 4,
  kGetProgramName = 5,
  kGetParamLabel = 6,
  kGetParamDisplay = 7,
  kGetParamName = 8,
  kSetSampleRate = 10,
  kSetBlockSize = 11,
  kMainsChanged = 12,
  kEditGetRect = 13,
  kEditOpen = 14,
  kEditClose = 15,
  kEditIdle = 19,
  kIdentify = 22,
  kGetChunk = 23,
  kSetChunk = 24,
  kProcessEvents = 25,
  kCanBeAutomated = 26,
  kString2Parameter = 27,
  kGetProgramNameIndexed = 29,
  kGetInputProperties = 33,
  kGetOutputProperties = 34,
  kGetPlugCategory = 35,
  kProcessVarIo = 41,
  kSetSpeakerArrangement = 42,
  kGetEffectName = 45,
  kGetVendorString = 47,
  kGetProductString = 48,
  kGetVendorVersion = 49,
  kVendorSpecific = 50,
  kCanDo = 51,
  kGetTailSize = 52,
  kIdle = 53,
  kGetVstVersion = 58,
  kGetMidiKeyName = 66,
  kGetSpeakerArrangement = 69,
};

// Host callback opcodes (plug-in to host).
enum HostOpcode : int32_t {
  kHostAutomate = 0,
  kHostWantMidi = 6,
  kHostGetTime = 7,
  kHostProcessEvents = 8,
  kHostGetCurrentProcessLevel = 23,
  kHostGetProductString = 33,
  kHostGetVendorVersion = 34,
  kHostUpdateDisplay = 42,
  kHostBeginEdit = 43,
  kHostEndEdit = 44,
};

constexpr int32_t kProcessLevelOffline = 4;
constexpr int32_t kCategoryEffect = 1;
constexpr int32_t kCategorySynth = 2;
constexpr int32_t kIdentifyAnswer = 0x4E764566;  // 'NvEf'
constexpr int32_t kVendorSpecificAnswer = 0xBEEF;
constexpr int32_t kVstVersion = 2400;

// Text buffers: how much of each host buffer the module fills, terminator included. The
// interface's own lower limits are 8 bytes for parameter texts and 24 for program names;
// hosts in use reserve at least 24 for parameter texts too.
constexpr size_t kParamTextBytes = 24;
constexpr size_t kProgramNameBytes = 24;
constexpr size_t kEffectNameBytes = 32;
constexpr size_t kVendorTextBytes = 64;
constexpr size_t kProductTextBytes = 64;
constexpr size_t kPinLabelBytes = sizeof(PinProperties::label);
constexpr size_t kKeyNameBytes = sizeof(MidiKeyName::keyName);
// What the module offers the host for its product string (hosts write at most 64 bytes).
constexpr size_t kHostProductBytes = 256;

// ---- Layout pinned for 64-bit targets ------------------------------------------------------
static_assert(sizeof(void*) == 8, "the VST2 module is built for 64-bit hosts only");
static_assert(offsetof(Effect, magic) == 0);
static_assert(offsetof(Effect, dispatcher) == 8);
static_assert(offsetof(Effect, processAccumulating) == 16);
static_assert(offsetof(Effect, setParameter) == 24);
static_assert(offsetof(Effect, getParameter) == 32);
static_assert(offsetof(Effect, numPrograms) == 40);
static_assert(offsetof(Effect, numParams) == 44);
static_assert(offsetof(Effect, numInputs) == 48);
static_assert(offsetof(Effect, numOutputs) == 52);
static_assert(offsetof(Effect, flags) == 56);
static_assert(offsetof(Effect, reserved1) == 64);
static_assert(offsetof(Effect, reserved2) == 72);
static_assert(offsetof(Effect, initialDelay) == 80);
static_assert(offsetof(Effect, realQualities) == 84);
static_assert(offsetof(Effect, offlineQualities) == 88);
static_assert(offsetof(Effect, ioRatio) == 92);
static_assert(offsetof(Effect, object) == 96);
static_assert(offsetof(Effect, user) == 104);
static_assert(offsetof(Effect, uniqueId) == 112);
static_assert(offsetof(Effect, version) == 116);
static_assert(offsetof(Effect, processReplacing) == 120);
static_assert(offsetof(Effect, processDoubleReplacing) == 128);
static_assert(offsetof(Effect, future) == 136);
static_assert(sizeof(Effect) == 192);

static_assert(sizeof(Event) == 32);
static_assert(offsetof(MidiEvent, deltaFrames) == 8);
static_assert(offsetof(MidiEvent, midiData) == 24);
static_assert(sizeof(MidiEvent) == 32);
static_assert(offsetof(SysExEvent, dumpBytes) == 16);
static_assert(offsetof(SysExEvent, sysexDump) == 32);
static_assert(sizeof(SysExEvent) == 48);
static_assert(offsetof(EventList, numEvents) == 0);
static_assert(offsetof(EventList, events) == 16);

static_assert(offsetof(TimeInfo, ppqPos) == 24);
static_assert(offsetof(TimeInfo, tempo) == 32);
static_assert(offsetof(TimeInfo, barStartPos) == 40);
static_assert(offsetof(TimeInfo, cycleStartPos) == 48);
static_assert(offsetof(TimeInfo, cycleEndPos) == 56);
static_assert(offsetof(TimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(TimeInfo, timeSigDenominator) == 68);
static_assert(offsetof(TimeInfo, flags) == 84);
static_assert(sizeof(TimeInfo) == 88);

static_assert(sizeof(Rect) == 8);
static_assert(offsetof(PinProperties, flags) == 64);
static_assert(offsetof(PinProperties, arrangementType) == 68);
static_assert(offsetof(PinProperties, shortLabel) == 72);
static_assert(sizeof(PinProperties) == 128);
static_assert(offsetof(SpeakerProperties, name) == 16);
static_assert(offsetof(SpeakerProperties, type) == 80);
static_assert(sizeof(SpeakerProperties) == 112);
static_assert(offsetof(SpeakerArrangement, numChannels) == 4);
static_assert(offsetof(SpeakerArrangement, speakers) == 8);
static_assert(sizeof(SpeakerArrangement) == 8 + 8 * 112);
static_assert(offsetof(MidiKeyName, keyNumber) == 4);
static_assert(offsetof(MidiKeyName, keyName) == 8);
static_assert(sizeof(MidiKeyName) == 80);

}  // namespace fluvia::vst2
