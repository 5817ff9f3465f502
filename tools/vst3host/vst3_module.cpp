#include "tools/vst3host/vst3_module.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cstring>

#include "tools/module_library/module_library.h"

namespace fluvia::vst3host {

using namespace Steinberg;

namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "/\\";
constexpr const char* kBinaryFolder = "/Contents/x86_64-win/";
constexpr const char* kBinarySuffix = ".vst3";
constexpr const char* kEntryName = "InitDll";
constexpr const char* kExitName = "ExitDll";

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
#else
constexpr const char* kSeparators = "/";
constexpr const char* kBinaryFolder = "/Contents/x86_64-linux/";
constexpr const char* kBinarySuffix = ".so";
constexpr const char* kEntryName = "ModuleEntry";
constexpr const char* kExitName = "ModuleExit";

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
#endif

bool IsSeparator(char c) { return std::strchr(kSeparators, c) != nullptr; }

// Windows hosts call InitDll without arguments; Linux hosts pass the library handle.
bool EnterModule(void* entry, void* handle) {
#ifdef _WIN32
  (void)handle;
  return reinterpret_cast<bool (*)()>(entry)();
#else
  return reinterpret_cast<bool (*)(void*)>(entry)(handle);
#endif
}

std::string StemOf(std::string path) {
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  const size_t slash = path.find_last_of(kSeparators);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

std::string Vst3Module::BinaryPathOf(const std::string& bundle) {
  if (!IsDirectory(bundle)) return bundle;
  std::string root = bundle;
  while (!root.empty() && IsSeparator(root.back())) root.pop_back();
  return root + kBinaryFolder + StemOf(bundle) + kBinarySuffix;
}

std::unique_ptr<Vst3Module> Vst3Module::Load(const std::string& bundle, std::string& error) {
  std::unique_ptr<Vst3Module> module(new Vst3Module);
  module->binaryPath_ = BinaryPathOf(bundle);
  std::string reason;
  module->handle_ = hostlib::OpenModuleLibrary(module->binaryPath_, reason);
  if (!module->handle_) {
    error = "cannot load " + module->binaryPath_ + ": " + reason;
    return nullptr;
  }

  if (void* entry = module->Symbol(kEntryName)) {
    if (!EnterModule(entry, module->handle_)) {
      error = std::string(kEntryName) + " of " + module->binaryPath_ + " failed";
      return nullptr;
    }
    module->entered_ = true;
  } else {
    error = module->binaryPath_ + " has no " + kEntryName;
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
    if (auto exitProc = reinterpret_cast<ExitProc>(Symbol(kExitName))) exitProc();
  }
  if (handle_) hostlib::CloseModuleLibrary(handle_);
}

void* Vst3Module::Symbol(const char* name) const {
  return handle_ ? hostlib::ModuleLibrarySymbol(handle_, name) : nullptr;
}

}  // namespace fluvia::vst3host
