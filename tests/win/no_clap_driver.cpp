#include "tests/win/clap_driver.h"

namespace fluvia::modulecheck {

// This tree has no CLAP adapter to check.
std::unique_ptr<ModuleDriver> LoadClap(const std::string&, std::string& error) {
  error = "this build has no CLAP module";
  return nullptr;
}

}  // namespace fluvia::modulecheck
