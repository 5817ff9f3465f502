#pragma once
// A VST2 module loaded as a host loads it: the library, its VSTPluginMain with the host
// callback, the effect record it returns, opened with the open opcode; closed and unloaded in
// reverse order.

#include <memory>
#include <string>
#include <vector>

#include "adapters/vst2/vst2_abi.h"

namespace fluvia::modulecheck {

class Vst2Module {
 public:
  static std::unique_ptr<Vst2Module> Load(const std::string& path, std::string& error);
  ~Vst2Module();
  Vst2Module(const Vst2Module&) = delete;
  Vst2Module& operator=(const Vst2Module&) = delete;

  vst2::Effect* Effect() const { return effect_; }
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float option = 0.0f) const;
  // Parameter names as the host sees them (cut to the interface's text size).
  std::string ParamName(int index) const;

 private:
  Vst2Module() = default;
  void* library_ = nullptr;
  vst2::Effect* effect_ = nullptr;
};

}  // namespace fluvia::modulecheck
