// How long a host's audio thread waits inside the plug-in while the rest of the host works.
// Several instances, driven through the VST3 adapter in this process, play on a few audio
// threads: random block sizes (a host splitting its period at automation points), notes and
// automation of the sound parameters. The run is made twice, side by side: once with the
// audio threads alone, once with one more thread that saves and restores the instances'
// state through the VST3 interfaces and loads library presets from the editor, without a
// pause, as a host saving a project while the person browses presets. Every process call is
// timed; the table gives the mean, the 99.9th percentile and the longest call of each run.
//
// The audio threads keep the pace of a sound card (a period of 256 frames at 48 kHz; each
// sleeps until its next period once its instances are done) and run at real-time priority
// when the system grants it, as hosts' audio threads do; the state thread runs at normal
// priority. So what the second run adds to the first is waiting inside the plug-in, not
// competition for the processors.
//
//   bench_process_stress [--seconds S] [--instances N] [--threads T]

#include <pthread.h>
#include <unistd.h>
#include <sched.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "adapters/vst3/plugin_vst3.h"
#include "engine/engine_params.h"
#include "graphics/headless/headless_factory.h"
#include "instrument/fluvia.h"
#include "public.sdk/source/common/memorystream.h"
#include "tools/vst3host/host_objects.h"

namespace {

namespace fs = std::filesystem;
using namespace fluvia;
using namespace Steinberg;
using namespace Steinberg::Vst;
using Clock = std::chrono::steady_clock;

constexpr double kRate = 48000.0;
constexpr int kPeriod = 256;  // frames per sound-card period
constexpr int kMaxBlock = 1024;

struct Options {
  double seconds = 5.0;
  int instances = 16;
  int threads = 4;
};

// The nine sound parameters, which hosts automate.
constexpr int kSoundParams[] = {kAmpFadeInOut,       kAmpMainVolume,       kContainerDamping,
                                kContainerSize,      kParticlesCollisions, kParticlesMassSpread,
                                kParticlesWeightVelocityRatio, kSoundfieldAmt, kSystemEnergyAmt};

// One instance as a host holds it: the adapter object and what it hands to process().
struct Instance {
  IPluginVST3* plugin = nullptr;
  vst3host::ParameterChanges changes{16, 64};
  vst3host::EventList events{64};
  ProcessContext context{};
  std::vector<float> left = std::vector<float>(kMaxBlock);
  std::vector<float> right = std::vector<float>(kMaxBlock);
  bool noteOn = false;
  float peak = 0.0f;  // of everything it played: the instances must sound
};

bool TryRealtimePriority() {
  sched_param param{};
  param.sched_priority = 20;
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

double Percentile(std::vector<double>& sorted, double fraction) {
  if (sorted.empty()) return 0.0;
  const size_t index = std::min(sorted.size() - 1, size_t(fraction * double(sorted.size())));
  return sorted[index];
}

struct RunResult {
  size_t calls = 0;
  double meanUs = 0.0;
  double p999Us = 0.0;
  double maxUs = 0.0;
  size_t stateRoundTrips = 0;
  size_t presetLoads = 0;
  int silentInstances = 0;
  bool realtime = false;
};

class StressRun {
 public:
  StressRun(const Options& options, const fs::path& presetFolder, bool withStateThread)
      : options_(options), withStateThread_(withStateThread) {
    for (int i = 0; i < options.instances; ++i) {
      FluviaOptions pluginOptions;
      pluginOptions.api = PluginApi::VST3;
      pluginOptions.createGraphics = fluvia::HeadlessGraphicsFactory();
      pluginOptions.presetFolder = presetFolder.string() + "/";
      pluginOptions.settingsFile = (presetFolder / "Settings.txt").string();
      pluginOptions.sizePreference = false;
      auto instance = std::make_unique<Instance>();
      instance->plugin = new IPluginVST3(std::make_unique<fluvia::Fluvia>(pluginOptions));
      instance->plugin->initialize(&host_);
      ProcessSetup setup{kRealtime, kSample32, kMaxBlock, kRate};
      instance->plugin->setupProcessing(setup);
      instance->plugin->activateBus(kAudio, kOutput, 0, true);
      instance->plugin->activateBus(kEvent, kInput, 0, true);
      instance->plugin->setActive(true);
      instance->context.sampleRate = kRate;
      instance->context.tempo = 120.0;
      instance->context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid;
      instances_.push_back(std::move(instance));
    }
  }

  ~StressRun() {
    for (auto& instance : instances_) {
      instance->plugin->setActive(false);
      instance->plugin->terminate();
      instance->plugin->release();
    }
  }

  RunResult Run() {
    std::vector<std::vector<double>> durations(size_t(options_.threads));
    std::atomic<bool> stop{false};
    std::atomic<int> realtimeThreads{0};
    std::vector<std::thread> audio;
    for (int t = 0; t < options_.threads; ++t) {
      audio.emplace_back([&, t] {
        if (TryRealtimePriority()) ++realtimeThreads;
        AudioThread(t, durations[size_t(t)], stop);
      });
    }
    std::thread state;
    RunResult result;
    if (withStateThread_) {
      state = std::thread([&] { StateThread(stop, result); });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(options_.seconds));
    stop = true;
    for (std::thread& thread : audio) thread.join();
    if (state.joinable()) state.join();

    std::vector<double> all;
    for (const auto& list : durations) all.insert(all.end(), list.begin(), list.end());
    std::sort(all.begin(), all.end());
    result.calls = all.size();
    double sum = 0.0;
    for (double d : all) sum += d;
    result.meanUs = all.empty() ? 0.0 : sum / double(all.size());
    result.p999Us = Percentile(all, 0.999);
    result.maxUs = all.empty() ? 0.0 : all.back();
    result.realtime = realtimeThreads == options_.threads;
    for (const auto& instance : instances_) result.silentInstances += instance->peak == 0.0f ? 1 : 0;
    return result;
  }

 private:
  void AudioThread(int thread, std::vector<double>& durations, const std::atomic<bool>& stop) {
    std::mt19937 random(unsigned(1234 + thread));
    durations.reserve(size_t(options_.seconds * kRate / kPeriod * 16 + 1024));
    auto nextPeriod = Clock::now();
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(kPeriod / kRate));
    while (!stop) {
      for (size_t i = size_t(thread); i < instances_.size(); i += size_t(options_.threads)) {
        Instance& instance = *instances_[i];
        // The period in one to four blocks of random sizes.
        int left = kPeriod;
        while (left > 0) {
          const int frames = (random() % 4 == 0) ? left : std::min(left, 16 + int(random() % 240));
          PrepareBlock(instance, frames, random);
          const auto start = Clock::now();
          Process(instance, frames);
          durations.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
          left -= frames;
        }
      }
      nextPeriod += period;
      const auto now = Clock::now();
      if (nextPeriod > now) {
        std::this_thread::sleep_until(nextPeriod);
      } else {
        nextPeriod = now;  // overrun: start the next period at once
      }
    }
  }

  static void PrepareBlock(Instance& instance, int frames, std::mt19937& random) {
    instance.changes.Clear();
    instance.events.Clear();
    if (random() % 8 == 0) {
      if (instance.noteOn) {
        instance.events.NoteOff(60, int(random() % unsigned(frames)));
      } else {
        instance.events.NoteOn(48 + int(random() % 24), 0.8f, int(random() % unsigned(frames)));
      }
      instance.noteOn = !instance.noteOn;
    }
    const int points = int(random() % 4);
    for (int p = 0; p < points; ++p) {
      const int param = kSoundParams[random() % 9];
      instance.changes.Add(ParamID(param), int32(random() % unsigned(frames)),
                           0.2 + 0.6 * double(random() % 1000) / 1000.0);
    }
  }

  static void Process(Instance& instance, int frames) {
    float* outputs[2] = {instance.left.data(), instance.right.data()};
    AudioBusBuffers out{};
    out.numChannels = 2;
    out.channelBuffers32 = outputs;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 0;
    data.numOutputs = 1;
    data.outputs = &out;
    data.inputParameterChanges = &instance.changes;
    data.inputEvents = &instance.events;
    data.processContext = &instance.context;
    instance.plugin->process(data);
    instance.context.projectTimeSamples += frames;
    for (int i = 0; i < frames; ++i) instance.peak = std::max(instance.peak, std::abs(instance.left[size_t(i)]));
  }

  // A host saving its project and restoring an older state of it, while the person picks
  // presets from the menu: without a pause, one instance after the other.
  void StateThread(const std::atomic<bool>& stop, RunResult& result) {
    std::mt19937 random(99);
    while (!stop) {
      Instance& instance = *instances_[random() % instances_.size()];
      MemoryStream saved;
      if (instance.plugin->getState(&saved) == kResultOk) {
        int64 position = 0;
        saved.seek(0, IBStream::kIBSeekSet, &position);
        instance.plugin->setState(&saved);
        ++result.stateRoundTrips;
      }
      if (random() % 4 == 0) {
        // The preset menu: a factory preset, read from its file.
        const int number = 1 + int(random() % 6);
        fluvia::IPluginCore& core = instance.plugin->Core();
        core.SetParamFromEditor(kPresetSelector,
                                core.GetParam(kPresetSelector)->ToNormalised(number));
        ++result.presetLoads;
      }
    }
  }

  Options options_;
  bool withStateThread_;
  vst3host::HostApplication host_{"bench_process_stress"};
  std::vector<std::unique_ptr<Instance>> instances_;
};

fs::path MakePresetFolder() {
  const fs::path folder = fs::temp_directory_path() / ("fluvia-stress-" + std::to_string(getpid()));
  fs::create_directories(folder / "Factory");
  fs::create_directories(folder / "User");
  for (const auto& entry : fs::directory_iterator(FLUVIA_FACTORY_PRESETS)) {
    if (entry.path().extension() == ".fluviapreset") {
      fs::copy_file(entry.path(), folder / "Factory" / entry.path().filename(),
                    fs::copy_options::overwrite_existing);
    }
  }
  return folder;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--seconds")) options.seconds = std::atof(argv[i + 1]);
    if (!std::strcmp(argv[i], "--instances")) options.instances = std::max(1, std::atoi(argv[i + 1]));
    if (!std::strcmp(argv[i], "--threads")) options.threads = std::max(1, std::atoi(argv[i + 1]));
  }
  const fs::path folder = MakePresetFolder();
  RunResult alone, busy;
  {
    StressRun run(options, folder, false);
    alone = run.Run();
  }
  {
    StressRun run(options, folder, true);
    busy = run.Run();
  }
  fs::remove_all(folder);

  std::printf("%d instances on %d audio threads (%s), %.1f s per run, periods of %d frames "
              "at %.0f Hz\n",
              options.instances, options.threads,
              alone.realtime && busy.realtime ? "real-time priority" : "normal priority",
              options.seconds, kPeriod, kRate);
  std::printf("%-28s %12s %12s\n", "", "audio alone", "with state");
  std::printf("%-28s %12zu %12zu\n", "process calls", alone.calls, busy.calls);
  std::printf("%-28s %12.2f %12.2f\n", "mean (us)", alone.meanUs, busy.meanUs);
  std::printf("%-28s %12.2f %12.2f\n", "99.9th percentile (us)", alone.p999Us, busy.p999Us);
  std::printf("%-28s %12.2f %12.2f\n", "longest (us)", alone.maxUs, busy.maxUs);
  std::printf("%-28s %12s %12zu\n", "state round trips", "-", busy.stateRoundTrips);
  std::printf("%-28s %12s %12zu\n", "preset loads", "-", busy.presetLoads);
  std::printf("%-28s %12d %12d\n", "silent instances", alone.silentInstances,
              busy.silentInstances);
  if (alone.p999Us > 0.0) {
    std::printf("99.9th percentile with state / alone: %.2f\n", busy.p999Us / alone.p999Us);
  }
  return 0;
}
