#pragma once
// A VST2 module loaded through VSTPluginMain and driven through its effect record only.

#include <memory>
#include <string>

#include "tests/win/module_driver.h"

namespace fluvia::modulecheck {

std::unique_ptr<ModuleDriver> LoadVst2(const std::string& module, std::string& error);

}  // namespace fluvia::modulecheck
