#pragma once
// Host-side CLAP code: loads a CLAP module as its platform's hosts do (dlopen on Linux,
// LoadLibrary on Windows), initialises it through clap_entry and offers the host record with
// the extensions a desktop host has: thread checks, a log, parameter flush requests, editor
// resize requests, timers and file-descriptor watches (Linux), callbacks on its main thread
// and parameter rescans. It records what the plug-in
// asks of it, and its answers can be switched to play a misbehaving host.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "adapters/clap/clap_abi.h"

namespace fluvia::claphost {

class ClapModule {
 public:
  // Null with a reason in error when the file cannot be loaded, has no clap_entry, an
  // incompatible version, refuses init or has no plug-in factory.
  static std::unique_ptr<ClapModule> Load(const std::string& path, std::string& error);
  // deinit, then the library is closed.
  ~ClapModule();
  ClapModule(const ClapModule&) = delete;
  ClapModule& operator=(const ClapModule&) = delete;

  const clap::PluginEntry* Entry() const { return entry_; }
  const clap::PluginFactory* Factory() const { return factory_; }
  // The one descriptor the tests expect; null when the factory has none.
  const clap::PluginDescriptor* Descriptor() const;
  const std::string& Path() const { return path_; }

 private:
  ClapModule() = default;
  void* handle_ = nullptr;
  const clap::PluginEntry* entry_ = nullptr;
  const clap::PluginFactory* factory_ = nullptr;
  std::string path_;
};

class ClapHost {
 public:
  explicit ClapHost(std::string name = "fluvia-claphost");
  ~ClapHost();
  ClapHost(const ClapHost&) = delete;
  ClapHost& operator=(const ClapHost&) = delete;

  const clap::Host* Record() const { return &host_; }
  // The plug-in the timers and descriptors call back (set by ClapInstance).
  void SetPlugin(const clap::Plugin* plugin) { plugin_ = plugin; }

  // ---- Behaviour switches --------------------------------------------------------------------
  // Extensions the host offers (by identifier); all of them unless switched off.
  void OfferExtension(const std::string& id, bool offer);
  // The thread-check answers: by default the constructing thread is the main thread and a
  // thread inside ClapInstance::Process is the audio thread.
  void PretendNotMainThread(bool on) { notMain_ = on; }
  void AcceptResize(bool accept) { acceptResize_ = accept; }
  // Marks the calling thread as the audio thread while it lives.
  class AudioThreadScope {
   public:
    AudioThreadScope();
    ~AudioThreadScope();
  };

  // ---- What the plug-in asked ----------------------------------------------------------------
  std::vector<std::string> Logs() const;
  int FlushRequests() const { return flushRequests_; }
  // The flags of every params.rescan, with whether it came on the main thread.
  struct Rescan {
    uint32_t flags;
    bool onMainThread;
  };
  std::vector<Rescan> Rescans() const;
  int CallbackRequests() const { return callbackRequests_; }
  std::vector<std::pair<uint32_t, uint32_t>> ResizeRequests() const;
  struct Timer {
    clap::Id id;
    uint32_t periodMs;
  };
  std::vector<Timer> Timers() const { return timers_; }
  std::vector<int> Fds() const { return fds_; }
  void ClearRecords();

  // One turn of the host's main loop: the plug-in's main-thread callback when it asked for
  // one, the descriptors that are readable, then every timer.
  void Turn();

 private:
  static const void* GetExtension(const clap::Host* host, const char* id);
  static ClapHost* Self(const clap::Host* host);

  clap::Host host_{};
  std::string name_;
  std::thread::id mainThread_;
  std::vector<std::string> refused_;
  const clap::Plugin* plugin_ = nullptr;
  std::atomic<bool> notMain_{false};
  bool acceptResize_ = true;
  mutable std::mutex mutex_;
  std::vector<std::string> logs_;
  std::atomic<int> flushRequests_{0};
  std::atomic<int> callbackRequests_{0};
  std::atomic<bool> callbackPending_{false};
  std::vector<Rescan> rescans_;
  std::vector<std::pair<uint32_t, uint32_t>> resizes_;
  std::vector<Timer> timers_;
  std::vector<int> fds_;
  clap::Id nextTimer_ = 1;

  clap::HostThreadCheck threadCheck_{};
  clap::HostLog log_{};
  clap::HostParams params_{};
  clap::HostGui gui_{};
  clap::HostTimerSupport timerSupport_{};
  clap::HostPosixFdSupport fdSupport_{};
  clap::HostState state_{};
};

}  // namespace fluvia::claphost
