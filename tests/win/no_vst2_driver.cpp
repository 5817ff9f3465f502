#include "tests/win/vst2_driver.h"

namespace fluvia::modulecheck {

// This tree has no VST2 adapter to check.
std::unique_ptr<ModuleDriver> LoadVst2(const std::string&, std::string& error) {
  error = "this build has no VST2 module";
  return nullptr;
}

}  // namespace fluvia::modulecheck
