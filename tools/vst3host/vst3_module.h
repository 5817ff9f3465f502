#pragma once
// Loads a VST3 module the way a host does: load the binary inside the bundle, call its entry
// point (ModuleEntry on Linux, InitDll on Windows), take its factory; and undoes it in reverse
// order.

#include <memory>
#include <string>

#include "pluginterfaces/base/ipluginbase.h"

namespace fluvia::vst3host {

class Vst3Module {
 public:
  // bundle: a "Name.vst3" folder (its Contents/x86_64-linux/Name.so, on Windows
  // Contents/x86_64-win/Name.vst3, is loaded) or the path of the binary itself. Null with a reason in error on failure.
  static std::unique_ptr<Vst3Module> Load(const std::string& bundle, std::string& error);
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  Steinberg::IPluginFactory* Factory() const { return factory_; }
  // The factory's newer interfaces, or null when the module does not offer them (not
  // counted: valid as long as the module is loaded).
  Steinberg::IPluginFactory2* Factory2() const { return factory2_; }
  Steinberg::IPluginFactory3* Factory3() const { return factory3_; }
  const std::string& BinaryPath() const { return binaryPath_; }
  // The symbol of that name in the module, or null.
  void* Symbol(const char* name) const;

  // The path of the binary inside a bundle folder; the path itself when it is not a folder.
  static std::string BinaryPathOf(const std::string& bundle);

 private:
  Vst3Module() = default;

  void* handle_ = nullptr;
  bool entered_ = false;
  Steinberg::IPluginFactory* factory_ = nullptr;
  Steinberg::IPluginFactory2* factory2_ = nullptr;
  Steinberg::IPluginFactory3* factory3_ = nullptr;
  std::string binaryPath_;
};

}  // namespace fluvia::vst3host
