#pragma once
// The CLAP 1.x binary interface as this module uses it: the entry record a host finds in the
// module, the plug-in factory and descriptor, the plug-in and host records, events, the
// process record, streams and the extensions the module offers or asks the host for.
// Declared here from the interface's published documentation (no vendor header is used); the
// names are this project's own, and every size, offset and identifier string the module relies
// on is pinned below for 64-bit targets (Linux LP64 and Windows LLP64 lay these records out
// alike).
//
// Only the CLAP adapter and the CLAP host harness include this header.

#include <cstddef>
#include <cstdint>

namespace fluvia::clap {

// ---- Versions and identifiers ----------------------------------------------------------------

struct Version {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};

// The interface revision the module is written against. Hosts accept any 1.x.
constexpr Version kVersion{1, 1, 10};
constexpr bool VersionIsCompatible(const Version& version) { return version.major >= 1; }

using Id = uint32_t;
constexpr Id kInvalidId = UINT32_MAX;

// Text capacities of the fixed character arrays inside records.
constexpr size_t kNameSize = 256;
constexpr size_t kPathSize = 1024;

// Fixed-point times: value = round(kBeatTimeFactor * beats) (or seconds).
using BeatTime = int64_t;
using SecTime = int64_t;
constexpr int64_t kBeatTimeFactor = int64_t(1) << 31;
constexpr int64_t kSecTimeFactor = int64_t(1) << 31;

// ---- Entry, factory, descriptor --------------------------------------------------------------

struct PluginEntry {
  Version clapVersion;
  bool (*init)(const char* pluginPath);
  void (*deinit)();
  const void* (*getFactory)(const char* factoryId);
};

struct Host;
struct Plugin;

struct PluginDescriptor {
  Version clapVersion;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manualUrl;
  const char* supportUrl;
  const char* version;
  const char* description;
  const char* const* features;  // null-terminated list
};

struct PluginFactory {
  uint32_t (*getPluginCount)(const PluginFactory* factory);
  const PluginDescriptor* (*getPluginDescriptor)(const PluginFactory* factory, uint32_t index);
  const Plugin* (*createPlugin)(const PluginFactory* factory, const Host* host,
                                const char* pluginId);
};

// ---- Events ----------------------------------------------------------------------------------

struct EventHeader {
  uint32_t size;  // of the whole event, header included
  uint32_t time;  // frame within the block
  uint16_t spaceId;
  uint16_t type;
  uint32_t flags;
};

constexpr uint16_t kCoreEventSpace = 0;

enum EventType : uint16_t {
  kEventNoteOn = 0,
  kEventNoteOff = 1,
  kEventNoteChoke = 2,
  kEventNoteEnd = 3,
  kEventNoteExpression = 4,
  kEventParamValue = 5,
  kEventParamMod = 6,
  kEventParamGestureBegin = 7,
  kEventParamGestureEnd = 8,
  kEventTransport = 9,
  kEventMidi = 10,
  kEventMidiSysex = 11,
  kEventMidi2 = 12,
};

constexpr uint32_t kEventIsLive = 1u << 0;
constexpr uint32_t kEventDontRecord = 1u << 1;

struct EventNote {
  EventHeader header;
  int32_t noteId;  // -1: unspecified
  int16_t portIndex;
  int16_t channel;  // 0..15, -1: any
  int16_t key;      // 0..127, -1: any
  double velocity;  // 0..1
};

struct EventParamValue {
  EventHeader header;
  Id paramId;
  void* cookie;
  int32_t noteId;
  int16_t portIndex;
  int16_t channel;
  int16_t key;
  double value;  // plain value
};

struct EventParamGesture {
  EventHeader header;
  Id paramId;
};

enum TransportFlags : uint32_t {
  kTransportHasTempo = 1u << 0,
  kTransportHasBeatsTimeline = 1u << 1,
  kTransportHasSecondsTimeline = 1u << 2,
  kTransportHasTimeSignature = 1u << 3,
  kTransportIsPlaying = 1u << 4,
  kTransportIsRecording = 1u << 5,
  kTransportIsLoopActive = 1u << 6,
  kTransportIsWithinPreRoll = 1u << 7,
};

struct EventTransport {
  EventHeader header;
  uint32_t flags;
  BeatTime songPosBeats;
  SecTime songPosSeconds;
  double tempo;     // beats per minute
  double tempoInc;  // per frame, until the next transport event
  BeatTime loopStartBeats;
  BeatTime loopEndBeats;
  SecTime loopStartSeconds;
  SecTime loopEndSeconds;
  BeatTime barStart;
  int32_t barNumber;
  uint16_t timeSigNumerator;
  uint16_t timeSigDenominator;
};

struct EventMidi {
  EventHeader header;
  uint16_t portIndex;
  uint8_t data[3];
};

struct EventMidiSysex {
  EventHeader header;
  uint16_t portIndex;
  const uint8_t* buffer;
  uint32_t size;
};

struct EventMidi2 {
  EventHeader header;
  uint16_t portIndex;
  uint32_t data[4];
};

// Sorted by time; the events belong to the list.
struct InputEvents {
  void* ctx;
  uint32_t (*size)(const InputEvents* list);
  const EventHeader* (*get)(const InputEvents* list, uint32_t index);
};

// The host copies what is pushed; events go in time order.
struct OutputEvents {
  void* ctx;
  bool (*tryPush)(const OutputEvents* list, const EventHeader* event);
};

// ---- Processing ------------------------------------------------------------------------------

struct AudioBuffer {
  float** data32;  // one of data32 and data64 is set
  double** data64;
  uint32_t channelCount;
  uint32_t latency;
  uint64_t constantMask;  // bit c: channel c holds one value throughout
};

using ProcessStatus = int32_t;
constexpr ProcessStatus kProcessError = 0;
constexpr ProcessStatus kProcessContinue = 1;
constexpr ProcessStatus kProcessContinueIfNotQuiet = 2;
constexpr ProcessStatus kProcessTail = 3;
constexpr ProcessStatus kProcessSleep = 4;

struct Process {
  int64_t steadyTime;  // -1: not available
  uint32_t framesCount;
  const EventTransport* transport;  // null for a free-running host
  const AudioBuffer* audioInputs;
  AudioBuffer* audioOutputs;
  uint32_t audioInputsCount;
  uint32_t audioOutputsCount;
  const InputEvents* inEvents;
  const OutputEvents* outEvents;
};

// ---- Plug-in and host ------------------------------------------------------------------------

struct Plugin {
  const PluginDescriptor* desc;
  void* pluginData;
  bool (*init)(const Plugin* plugin);
  void (*destroy)(const Plugin* plugin);
  bool (*activate)(const Plugin* plugin, double sampleRate, uint32_t minFrames,
                   uint32_t maxFrames);
  void (*deactivate)(const Plugin* plugin);
  bool (*startProcessing)(const Plugin* plugin);
  void (*stopProcessing)(const Plugin* plugin);
  void (*reset)(const Plugin* plugin);
  ProcessStatus (*process)(const Plugin* plugin, const Process* process);
  const void* (*getExtension)(const Plugin* plugin, const char* id);
  void (*onMainThread)(const Plugin* plugin);
};

struct Host {
  Version clapVersion;
  void* hostData;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void* (*getExtension)(const Host* host, const char* extensionId);
  void (*requestRestart)(const Host* host);
  void (*requestProcess)(const Host* host);
  void (*requestCallback)(const Host* host);
};

// ---- Streams ---------------------------------------------------------------------------------

struct IStream {
  void* ctx;
  // Bytes read; 0 at the end, -1 on an error.
  int64_t (*read)(const IStream* stream, void* buffer, uint64_t size);
};

struct OStream {
  void* ctx;
  // Bytes written; -1 on an error.
  int64_t (*write)(const OStream* stream, const void* buffer, uint64_t size);
};

// ---- Extensions ------------------------------------------------------------------------------

// Audio ports.
constexpr uint32_t kAudioPortIsMain = 1u << 0;
constexpr uint32_t kAudioPortSupports64Bits = 1u << 1;
constexpr uint32_t kAudioPortPrefers64Bits = 1u << 2;
constexpr uint32_t kAudioPortRequiresCommonSampleSize = 1u << 3;

struct AudioPortInfo {
  Id id;
  char name[kNameSize];
  uint32_t flags;
  uint32_t channelCount;
  const char* portType;
  Id inPlacePair;
};

struct PluginAudioPorts {
  uint32_t (*count)(const Plugin* plugin, bool isInput);
  bool (*get)(const Plugin* plugin, uint32_t index, bool isInput, AudioPortInfo* info);
};

// Note ports.
constexpr uint32_t kNoteDialectClap = 1u << 0;
constexpr uint32_t kNoteDialectMidi = 1u << 1;
constexpr uint32_t kNoteDialectMidiMpe = 1u << 2;
constexpr uint32_t kNoteDialectMidi2 = 1u << 3;

struct NotePortInfo {
  Id id;
  uint32_t supportedDialects;
  uint32_t preferredDialect;
  char name[kNameSize];
};

struct PluginNotePorts {
  uint32_t (*count)(const Plugin* plugin, bool isInput);
  bool (*get)(const Plugin* plugin, uint32_t index, bool isInput, NotePortInfo* info);
};

// Parameters.
constexpr uint32_t kParamIsStepped = 1u << 0;
constexpr uint32_t kParamIsPeriodic = 1u << 1;
constexpr uint32_t kParamIsHidden = 1u << 2;
constexpr uint32_t kParamIsReadonly = 1u << 3;
constexpr uint32_t kParamIsBypass = 1u << 4;
constexpr uint32_t kParamIsAutomatable = 1u << 5;
constexpr uint32_t kParamIsModulatable = 1u << 10;
constexpr uint32_t kParamRequiresProcess = 1u << 15;
constexpr uint32_t kParamIsEnum = 1u << 16;

struct ParamInfo {
  Id id;
  uint32_t flags;
  void* cookie;
  char name[kNameSize];
  char module[kPathSize];
  double minValue;  // plain values
  double maxValue;
  double defaultValue;
};

struct PluginParams {
  uint32_t (*count)(const Plugin* plugin);
  bool (*getInfo)(const Plugin* plugin, uint32_t paramIndex, ParamInfo* info);
  bool (*getValue)(const Plugin* plugin, Id paramId, double* value);
  bool (*valueToText)(const Plugin* plugin, Id paramId, double value, char* display,
                      uint32_t size);
  bool (*textToValue)(const Plugin* plugin, Id paramId, const char* display, double* value);
  void (*flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

constexpr uint32_t kParamRescanValues = 1u << 0;
constexpr uint32_t kParamRescanText = 1u << 1;
constexpr uint32_t kParamRescanInfo = 1u << 2;
constexpr uint32_t kParamRescanAll = 1u << 3;

struct HostParams {
  void (*rescan)(const Host* host, uint32_t flags);
  void (*clear)(const Host* host, Id paramId, uint32_t flags);
  void (*requestFlush)(const Host* host);
};

// State.
struct PluginState {
  bool (*save)(const Plugin* plugin, const OStream* stream);
  bool (*load)(const Plugin* plugin, const IStream* stream);
};

struct HostState {
  void (*markDirty)(const Host* host);
};

// Editor. Sizes are physical pixels for X11 and Win32.
using XWindowId = unsigned long;

struct Window {
  const char* api;
  union {
    void* cocoa;
    XWindowId x11;
    void* win32;
    void* ptr;
  };
};

struct GuiResizeHints {
  bool canResizeHorizontally;
  bool canResizeVertically;
  bool preserveAspectRatio;
  uint32_t aspectRatioWidth;
  uint32_t aspectRatioHeight;
};

struct PluginGui {
  bool (*isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
  bool (*getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
  bool (*create)(const Plugin* plugin, const char* api, bool isFloating);
  void (*destroy)(const Plugin* plugin);
  bool (*setScale)(const Plugin* plugin, double scale);
  bool (*getSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*canResize)(const Plugin* plugin);
  bool (*getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
  bool (*adjustSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*setSize)(const Plugin* plugin, uint32_t width, uint32_t height);
  bool (*setParent)(const Plugin* plugin, const Window* window);
  bool (*setTransient)(const Plugin* plugin, const Window* window);
  void (*suggestTitle)(const Plugin* plugin, const char* title);
  bool (*show)(const Plugin* plugin);
  bool (*hide)(const Plugin* plugin);
};

struct HostGui {
  void (*resizeHintsChanged)(const Host* host);
  bool (*requestResize)(const Host* host, uint32_t width, uint32_t height);
  bool (*requestShow)(const Host* host);
  bool (*requestHide)(const Host* host);
  void (*closed)(const Host* host, bool wasDestroyed);
};

// Timers and file descriptors on the host's main thread (Linux editors).
struct PluginTimerSupport {
  void (*onTimer)(const Plugin* plugin, Id timerId);
};

struct HostTimerSupport {
  bool (*registerTimer)(const Host* host, uint32_t periodMs, Id* timerId);
  bool (*unregisterTimer)(const Host* host, Id timerId);
};

constexpr uint32_t kPosixFdRead = 1u << 0;
constexpr uint32_t kPosixFdWrite = 1u << 1;
constexpr uint32_t kPosixFdError = 1u << 2;

struct PluginPosixFdSupport {
  void (*onFd)(const Plugin* plugin, int fd, uint32_t flags);
};

struct HostPosixFdSupport {
  bool (*registerFd)(const Host* host, int fd, uint32_t flags);
  bool (*modifyFd)(const Host* host, int fd, uint32_t flags);
  bool (*unregisterFd)(const Host* host, int fd);
};

// Thread checks and the host's log.
struct HostThreadCheck {
  bool (*isMainThread)(const Host* host);
  bool (*isAudioThread)(const Host* host);
};

using LogSeverity = int32_t;
constexpr LogSeverity kLogDebug = 0;
constexpr LogSeverity kLogInfo = 1;
constexpr LogSeverity kLogWarning = 2;
constexpr LogSeverity kLogError = 3;
constexpr LogSeverity kLogFatal = 4;
constexpr LogSeverity kLogHostMisbehaving = 5;

struct HostLog {
  void (*log)(const Host* host, LogSeverity severity, const char* message);
};

// Offline rendering.
using RenderMode = int32_t;
constexpr RenderMode kRenderRealtime = 0;
constexpr RenderMode kRenderOffline = 1;

struct PluginRender {
  bool (*hasHardRealtimeRequirement)(const Plugin* plugin);
  bool (*set)(const Plugin* plugin, RenderMode mode);
};

// ---- Identifier strings ----------------------------------------------------------------------

inline constexpr char kPluginFactoryId[] = "clap.plugin-factory";
inline constexpr char kExtAudioPorts[] = "clap.audio-ports";
inline constexpr char kExtNotePorts[] = "clap.note-ports";
inline constexpr char kExtParams[] = "clap.params";
inline constexpr char kExtState[] = "clap.state";
inline constexpr char kExtGui[] = "clap.gui";
inline constexpr char kExtTimerSupport[] = "clap.timer-support";
inline constexpr char kExtPosixFdSupport[] = "clap.posix-fd-support";
inline constexpr char kExtThreadCheck[] = "clap.thread-check";
inline constexpr char kExtLog[] = "clap.log";
inline constexpr char kExtRender[] = "clap.render";
inline constexpr char kWindowApiX11[] = "x11";
inline constexpr char kWindowApiWin32[] = "win32";
inline constexpr char kPortStereo[] = "stereo";
inline constexpr char kFeatureInstrument[] = "instrument";
inline constexpr char kFeatureSynthesizer[] = "synthesizer";
inline constexpr char kFeatureStereo[] = "stereo";

// ---- Layout pinned for 64-bit targets ------------------------------------------------------
static_assert(sizeof(void*) == 8, "the CLAP module is built for 64-bit hosts only");
static_assert(sizeof(bool) == 1);

static_assert(sizeof(Version) == 12);
static_assert(offsetof(PluginEntry, init) == 16);
static_assert(offsetof(PluginEntry, deinit) == 24);
static_assert(offsetof(PluginEntry, getFactory) == 32);
static_assert(sizeof(PluginEntry) == 40);

static_assert(offsetof(PluginDescriptor, id) == 16);
static_assert(offsetof(PluginDescriptor, name) == 24);
static_assert(offsetof(PluginDescriptor, vendor) == 32);
static_assert(offsetof(PluginDescriptor, version) == 64);
static_assert(offsetof(PluginDescriptor, description) == 72);
static_assert(offsetof(PluginDescriptor, features) == 80);
static_assert(sizeof(PluginDescriptor) == 88);
static_assert(sizeof(PluginFactory) == 24);

static_assert(offsetof(Plugin, pluginData) == 8);
static_assert(offsetof(Plugin, init) == 16);
static_assert(offsetof(Plugin, destroy) == 24);
static_assert(offsetof(Plugin, activate) == 32);
static_assert(offsetof(Plugin, deactivate) == 40);
static_assert(offsetof(Plugin, startProcessing) == 48);
static_assert(offsetof(Plugin, stopProcessing) == 56);
static_assert(offsetof(Plugin, reset) == 64);
static_assert(offsetof(Plugin, process) == 72);
static_assert(offsetof(Plugin, getExtension) == 80);
static_assert(offsetof(Plugin, onMainThread) == 88);
static_assert(sizeof(Plugin) == 96);

static_assert(offsetof(Host, hostData) == 16);
static_assert(offsetof(Host, name) == 24);
static_assert(offsetof(Host, version) == 48);
static_assert(offsetof(Host, getExtension) == 56);
static_assert(offsetof(Host, requestRestart) == 64);
static_assert(offsetof(Host, requestProcess) == 72);
static_assert(offsetof(Host, requestCallback) == 80);
static_assert(sizeof(Host) == 88);

static_assert(offsetof(EventHeader, time) == 4);
static_assert(offsetof(EventHeader, spaceId) == 8);
static_assert(offsetof(EventHeader, type) == 10);
static_assert(offsetof(EventHeader, flags) == 12);
static_assert(sizeof(EventHeader) == 16);
static_assert(offsetof(EventNote, noteId) == 16);
static_assert(offsetof(EventNote, portIndex) == 20);
static_assert(offsetof(EventNote, channel) == 22);
static_assert(offsetof(EventNote, key) == 24);
static_assert(offsetof(EventNote, velocity) == 32);
static_assert(sizeof(EventNote) == 40);
static_assert(offsetof(EventParamValue, paramId) == 16);
static_assert(offsetof(EventParamValue, cookie) == 24);
static_assert(offsetof(EventParamValue, noteId) == 32);
static_assert(offsetof(EventParamValue, portIndex) == 36);
static_assert(offsetof(EventParamValue, channel) == 38);
static_assert(offsetof(EventParamValue, key) == 40);
static_assert(offsetof(EventParamValue, value) == 48);
static_assert(sizeof(EventParamValue) == 56);
static_assert(offsetof(EventParamGesture, paramId) == 16);
static_assert(sizeof(EventParamGesture) == 20);
static_assert(offsetof(EventTransport, flags) == 16);
static_assert(offsetof(EventTransport, songPosBeats) == 24);
static_assert(offsetof(EventTransport, songPosSeconds) == 32);
static_assert(offsetof(EventTransport, tempo) == 40);
static_assert(offsetof(EventTransport, tempoInc) == 48);
static_assert(offsetof(EventTransport, loopStartBeats) == 56);
static_assert(offsetof(EventTransport, loopEndBeats) == 64);
static_assert(offsetof(EventTransport, loopStartSeconds) == 72);
static_assert(offsetof(EventTransport, loopEndSeconds) == 80);
static_assert(offsetof(EventTransport, barStart) == 88);
static_assert(offsetof(EventTransport, barNumber) == 96);
static_assert(offsetof(EventTransport, timeSigNumerator) == 100);
static_assert(offsetof(EventTransport, timeSigDenominator) == 102);
static_assert(sizeof(EventTransport) == 104);
static_assert(offsetof(EventMidi, portIndex) == 16);
static_assert(offsetof(EventMidi, data) == 18);
static_assert(sizeof(EventMidi) == 24);
static_assert(offsetof(EventMidiSysex, buffer) == 24);
static_assert(offsetof(EventMidiSysex, size) == 32);
static_assert(sizeof(EventMidiSysex) == 40);
static_assert(offsetof(EventMidi2, data) == 20);
static_assert(sizeof(EventMidi2) == 36);
static_assert(offsetof(InputEvents, size) == 8);
static_assert(offsetof(InputEvents, get) == 16);
static_assert(sizeof(InputEvents) == 24);
static_assert(offsetof(OutputEvents, tryPush) == 8);
static_assert(sizeof(OutputEvents) == 16);

static_assert(offsetof(AudioBuffer, data64) == 8);
static_assert(offsetof(AudioBuffer, channelCount) == 16);
static_assert(offsetof(AudioBuffer, latency) == 20);
static_assert(offsetof(AudioBuffer, constantMask) == 24);
static_assert(sizeof(AudioBuffer) == 32);
static_assert(offsetof(Process, framesCount) == 8);
static_assert(offsetof(Process, transport) == 16);
static_assert(offsetof(Process, audioInputs) == 24);
static_assert(offsetof(Process, audioOutputs) == 32);
static_assert(offsetof(Process, audioInputsCount) == 40);
static_assert(offsetof(Process, audioOutputsCount) == 44);
static_assert(offsetof(Process, inEvents) == 48);
static_assert(offsetof(Process, outEvents) == 56);
static_assert(sizeof(Process) == 64);

static_assert(sizeof(IStream) == 16);
static_assert(offsetof(IStream, read) == 8);
static_assert(sizeof(OStream) == 16);
static_assert(offsetof(OStream, write) == 8);

static_assert(offsetof(AudioPortInfo, name) == 4);
static_assert(offsetof(AudioPortInfo, flags) == 260);
static_assert(offsetof(AudioPortInfo, channelCount) == 264);
static_assert(offsetof(AudioPortInfo, portType) == 272);
static_assert(offsetof(AudioPortInfo, inPlacePair) == 280);
static_assert(sizeof(AudioPortInfo) == 288);
static_assert(sizeof(PluginAudioPorts) == 16);
static_assert(offsetof(NotePortInfo, supportedDialects) == 4);
static_assert(offsetof(NotePortInfo, preferredDialect) == 8);
static_assert(offsetof(NotePortInfo, name) == 12);
static_assert(sizeof(NotePortInfo) == 268);
static_assert(sizeof(PluginNotePorts) == 16);

static_assert(offsetof(ParamInfo, flags) == 4);
static_assert(offsetof(ParamInfo, cookie) == 8);
static_assert(offsetof(ParamInfo, name) == 16);
static_assert(offsetof(ParamInfo, module) == 272);
static_assert(offsetof(ParamInfo, minValue) == 1296);
static_assert(offsetof(ParamInfo, maxValue) == 1304);
static_assert(offsetof(ParamInfo, defaultValue) == 1312);
static_assert(sizeof(ParamInfo) == 1320);
static_assert(offsetof(PluginParams, flush) == 40);
static_assert(sizeof(PluginParams) == 48);
static_assert(offsetof(HostParams, requestFlush) == 16);
static_assert(sizeof(HostParams) == 24);

static_assert(sizeof(PluginState) == 16);
static_assert(sizeof(HostState) == 8);

static_assert(offsetof(Window, x11) == 8);
static_assert(offsetof(Window, win32) == 8);
static_assert(sizeof(Window) == 16);
static_assert(offsetof(GuiResizeHints, aspectRatioWidth) == 4);
static_assert(sizeof(GuiResizeHints) == 12);
static_assert(offsetof(PluginGui, destroy) == 24);
static_assert(offsetof(PluginGui, setScale) == 32);
static_assert(offsetof(PluginGui, getSize) == 40);
static_assert(offsetof(PluginGui, setSize) == 72);
static_assert(offsetof(PluginGui, setParent) == 80);
static_assert(offsetof(PluginGui, show) == 104);
static_assert(offsetof(PluginGui, hide) == 112);
static_assert(sizeof(PluginGui) == 120);
static_assert(offsetof(HostGui, requestResize) == 8);
static_assert(offsetof(HostGui, closed) == 32);
static_assert(sizeof(HostGui) == 40);

static_assert(sizeof(PluginTimerSupport) == 8);
static_assert(offsetof(HostTimerSupport, unregisterTimer) == 8);
static_assert(sizeof(HostTimerSupport) == 16);
static_assert(sizeof(PluginPosixFdSupport) == 8);
static_assert(offsetof(HostPosixFdSupport, unregisterFd) == 16);
static_assert(sizeof(HostPosixFdSupport) == 24);
static_assert(sizeof(HostThreadCheck) == 16);
static_assert(sizeof(HostLog) == 8);
static_assert(sizeof(PluginRender) == 16);

// The identifier strings, compared character by character with the published ones.
constexpr bool SameText(const char* a, const char* b) {
  for (; *a || *b; ++a, ++b) {
    if (*a != *b) return false;
  }
  return true;
}
static_assert(SameText(kPluginFactoryId, "clap.plugin-factory") && sizeof(kPluginFactoryId) == 20);
static_assert(SameText(kExtAudioPorts, "clap.audio-ports") && sizeof(kExtAudioPorts) == 17);
static_assert(SameText(kExtNotePorts, "clap.note-ports") && sizeof(kExtNotePorts) == 16);
static_assert(SameText(kExtParams, "clap.params") && sizeof(kExtParams) == 12);
static_assert(SameText(kExtState, "clap.state") && sizeof(kExtState) == 11);
static_assert(SameText(kExtGui, "clap.gui") && sizeof(kExtGui) == 9);
static_assert(SameText(kExtTimerSupport, "clap.timer-support") && sizeof(kExtTimerSupport) == 19);
static_assert(SameText(kExtPosixFdSupport, "clap.posix-fd-support") &&
              sizeof(kExtPosixFdSupport) == 22);
static_assert(SameText(kExtThreadCheck, "clap.thread-check") && sizeof(kExtThreadCheck) == 18);
static_assert(SameText(kExtLog, "clap.log") && sizeof(kExtLog) == 9);
static_assert(SameText(kExtRender, "clap.render") && sizeof(kExtRender) == 12);
static_assert(SameText(kWindowApiX11, "x11") && SameText(kWindowApiWin32, "win32"));
static_assert(SameText(kPortStereo, "stereo"));
static_assert(SameText(kFeatureInstrument, "instrument") &&
              SameText(kFeatureSynthesizer, "synthesizer") && SameText(kFeatureStereo, "stereo"));

}  // namespace fluvia::clap
