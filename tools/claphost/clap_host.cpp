#include "tools/claphost/clap_host.h"

#include <algorithm>
#include <cstring>

#include "tools/module_library/module_library.h"

#ifndef _WIN32
#include <poll.h>
#endif

namespace fluvia::claphost {
namespace {

thread_local bool tAudioThread = false;

}  // namespace

// ---- Module -----------------------------------------------------------------------------------

std::unique_ptr<ClapModule> ClapModule::Load(const std::string& path, std::string& error) {
  std::unique_ptr<ClapModule> module(new ClapModule);
  module->path_ = path;
  std::string why;
  module->handle_ = hostlib::OpenModuleLibrary(path, why);
  if (!module->handle_) {
    error = "cannot load " + path + ": " + why;
    return nullptr;
  }
  module->entry_ = static_cast<const clap::PluginEntry*>(
      hostlib::ModuleLibrarySymbol(module->handle_, "clap_entry"));
  if (!module->entry_) {
    error = path + " has no clap_entry";
    return nullptr;
  }
  if (!clap::VersionIsCompatible(module->entry_->clapVersion)) {
    error = path + " speaks an incompatible CLAP version";
    module->entry_ = nullptr;
    return nullptr;
  }
  if (!module->entry_->init || !module->entry_->init(path.c_str())) {
    error = path + " refused init";
    module->entry_ = nullptr;
    return nullptr;
  }
  module->factory_ = static_cast<const clap::PluginFactory*>(
      module->entry_->getFactory ? module->entry_->getFactory(clap::kPluginFactoryId) : nullptr);
  if (!module->factory_) {
    error = path + " offers no plug-in factory";
    return nullptr;
  }
  return module;
}

ClapModule::~ClapModule() {
  if (entry_ && entry_->deinit) entry_->deinit();
  if (handle_) hostlib::CloseModuleLibrary(handle_);
}

const clap::PluginDescriptor* ClapModule::Descriptor() const {
  if (!factory_ || factory_->getPluginCount(factory_) < 1) return nullptr;
  return factory_->getPluginDescriptor(factory_, 0);
}

// ---- Host -------------------------------------------------------------------------------------

ClapHost::AudioThreadScope::AudioThreadScope() { tAudioThread = true; }
ClapHost::AudioThreadScope::~AudioThreadScope() { tAudioThread = false; }

ClapHost::ClapHost(std::string name) : name_(std::move(name)), mainThread_(std::this_thread::get_id()) {
  logs_.reserve(256);
  resizes_.reserve(256);
  host_.clapVersion = clap::kVersion;
  host_.hostData = this;
  host_.name = name_.c_str();
  host_.vendor = "Fluvia tests";
  host_.url = "";
  host_.version = "1.0";
  host_.getExtension = &ClapHost::GetExtension;
  host_.requestRestart = [](const clap::Host*) {};
  host_.requestProcess = [](const clap::Host*) {};
  host_.requestCallback = [](const clap::Host* h) {
    ClapHost* self = Self(h);
    ++self->callbackRequests_;
    self->callbackPending_ = true;
  };

  threadCheck_.isMainThread = [](const clap::Host* h) {
    ClapHost* self = Self(h);
    return !self->notMain_ && std::this_thread::get_id() == self->mainThread_;
  };
  threadCheck_.isAudioThread = [](const clap::Host*) { return tAudioThread; };
  log_.log = [](const clap::Host* h, clap::LogSeverity, const char* message) {
    ClapHost* self = Self(h);
    std::lock_guard<std::mutex> lock(self->mutex_);
    if (self->logs_.size() < self->logs_.capacity()) self->logs_.push_back(message ? message : "");
  };
  params_.rescan = [](const clap::Host* h, uint32_t flags) {
    ClapHost* self = Self(h);
    const bool main = self->threadCheck_.isMainThread(h);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->rescans_.push_back({flags, main});
  };
  params_.clear = [](const clap::Host*, clap::Id, uint32_t) {};
  params_.requestFlush = [](const clap::Host* h) { ++Self(h)->flushRequests_; };
  gui_.resizeHintsChanged = [](const clap::Host*) {};
  gui_.requestResize = [](const clap::Host* h, uint32_t width, uint32_t height) {
    ClapHost* self = Self(h);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->resizes_.emplace_back(width, height);
    return self->acceptResize_;
  };
  gui_.requestShow = [](const clap::Host*) { return false; };
  gui_.requestHide = [](const clap::Host*) { return false; };
  gui_.closed = [](const clap::Host*, bool) {};
  timerSupport_.registerTimer = [](const clap::Host* h, uint32_t period, clap::Id* id) {
    ClapHost* self = Self(h);
    if (!id) return false;
    *id = self->nextTimer_++;
    self->timers_.push_back({*id, period});
    return true;
  };
  timerSupport_.unregisterTimer = [](const clap::Host* h, clap::Id id) {
    ClapHost* self = Self(h);
    auto& timers = self->timers_;
    const auto it = std::find_if(timers.begin(), timers.end(),
                                 [id](const Timer& t) { return t.id == id; });
    if (it == timers.end()) return false;
    timers.erase(it);
    return true;
  };
  fdSupport_.registerFd = [](const clap::Host* h, int fd, uint32_t) {
    Self(h)->fds_.push_back(fd);
    return true;
  };
  fdSupport_.modifyFd = [](const clap::Host*, int, uint32_t) { return true; };
  fdSupport_.unregisterFd = [](const clap::Host* h, int fd) {
    auto& fds = Self(h)->fds_;
    const auto it = std::find(fds.begin(), fds.end(), fd);
    if (it == fds.end()) return false;
    fds.erase(it);
    return true;
  };
  state_.markDirty = [](const clap::Host*) {};
}

ClapHost::~ClapHost() = default;

ClapHost* ClapHost::Self(const clap::Host* host) {
  return static_cast<ClapHost*>(host->hostData);
}

void ClapHost::OfferExtension(const std::string& id, bool offer) {
  refused_.erase(std::remove(refused_.begin(), refused_.end(), id), refused_.end());
  if (!offer) refused_.push_back(id);
}

const void* ClapHost::GetExtension(const clap::Host* host, const char* id) {
  ClapHost* self = host ? Self(host) : nullptr;
  if (!self || !id) return nullptr;
  if (std::find(self->refused_.begin(), self->refused_.end(), id) != self->refused_.end()) {
    return nullptr;
  }
  if (std::strcmp(id, clap::kExtThreadCheck) == 0) return &self->threadCheck_;
  if (std::strcmp(id, clap::kExtLog) == 0) return &self->log_;
  if (std::strcmp(id, clap::kExtParams) == 0) return &self->params_;
  if (std::strcmp(id, clap::kExtGui) == 0) return &self->gui_;
  if (std::strcmp(id, clap::kExtTimerSupport) == 0) return &self->timerSupport_;
  if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) return &self->fdSupport_;
  if (std::strcmp(id, clap::kExtState) == 0) return &self->state_;
  return nullptr;
}

std::vector<std::string> ClapHost::Logs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return logs_;
}

std::vector<std::pair<uint32_t, uint32_t>> ClapHost::ResizeRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return resizes_;
}

std::vector<ClapHost::Rescan> ClapHost::Rescans() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rescans_;
}

void ClapHost::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  logs_.clear();
  resizes_.clear();
  rescans_.clear();
  flushRequests_ = 0;
  callbackRequests_ = 0;
}

void ClapHost::Turn() {
  if (!plugin_) return;
  if (callbackPending_.exchange(false) && plugin_->onMainThread) plugin_->onMainThread(plugin_);
#ifndef _WIN32
  const auto* fdSupport = static_cast<const clap::PluginPosixFdSupport*>(
      plugin_->getExtension(plugin_, clap::kExtPosixFdSupport));
  // A copy: a callback may unregister its descriptor.
  for (int fd : std::vector<int>(fds_)) {
    pollfd watch{fd, POLLIN, 0};
    if (fdSupport && ::poll(&watch, 1, 0) > 0 && (watch.revents & POLLIN)) {
      fdSupport->onFd(plugin_, fd, clap::kPosixFdRead);
    }
  }
#endif
  const auto* timerSupport = static_cast<const clap::PluginTimerSupport*>(
      plugin_->getExtension(plugin_, clap::kExtTimerSupport));
  for (const Timer& timer : std::vector<Timer>(timers_)) {
    if (timerSupport) timerSupport->onTimer(plugin_, timer.id);
  }
}

}  // namespace fluvia::claphost
