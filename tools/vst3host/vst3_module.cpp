#include "tools/vst3host/vst3_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace fluvia::vst3host {

using namespace Steinberg;

namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string StemOf(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

std::string Vst3Module::BinaryPathOf(const std::string& bundle) {
  if (!IsDirectory(bundle)) return bundle;
  std::string root = bundle;
  while (!root.empty() && root.back() == '/') root.pop_back();
  return root + "/Contents/x86_64-linux/" + StemOf(bundle) + ".so";
}

std::unique_ptr<Vst3Module> Vst3Module::Load(const std::string& bundle, std::string& error) {
  std::unique_ptr<Vst3Module> module(new Vst3Module);
  module->binaryPath_ = BinaryPathOf(bundle);
  module->handle_ = ::dlopen(module->binaryPath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module->handle_) {
    const char* reason = ::dlerror();
    error = "cannot load " + module->binaryPath_ + ": " + (reason ? reason : "unknown error");
    return nullptr;
  }

  using EntryProc = bool (*)(void*);
  if (auto entry = reinterpret_cast<EntryProc>(module->Symbol("ModuleEntry"))) {
    if (!entry(module->handle_)) {
      error = "ModuleEntry of " + module->binaryPath_ + " failed";
      return nullptr;
    }
    module->entered_ = true;
  } else {
    error = module->binaryPath_ + " has no ModuleEntry";
    return nullptr;
  }

  auto getFactory = reinterpret_cast<GetFactoryProc>(module->Symbol("GetPluginFactory"));
  if (!getFactory) {
    error = module->binaryPath_ + " has no GetPluginFactory";
    return nullptr;
  }
  module->factory_ = getFactory();
  if (!module->factory_) {
    error = "GetPluginFactory of " + module->binaryPath_ + " returned no factory";
    return nullptr;
  }
  void* obj = nullptr;
  if (module->factory_->queryInterface(IPluginFactory2::iid, &obj) == kResultOk && obj) {
    module->factory2_ = static_cast<IPluginFactory2*>(obj);
    module->factory2_->release();  // the module's own reference keeps it alive
  }
  obj = nullptr;
  if (module->factory_->queryInterface(IPluginFactory3::iid, &obj) == kResultOk && obj) {
    module->factory3_ = static_cast<IPluginFactory3*>(obj);
    module->factory3_->release();
  }
  return module;
}

Vst3Module::~Vst3Module() {
  if (factory_) factory_->release();
  if (entered_) {
    using ExitProc = bool (*)();
    if (auto exitProc = reinterpret_cast<ExitProc>(Symbol("ModuleExit"))) exitProc();
  }
  if (handle_) ::dlclose(handle_);
}

void* Vst3Module::Symbol(const char* name) const {
  return handle_ ? ::dlsym(handle_, name) : nullptr;
}

}  // namespace fluvia::vst3host
