#pragma once
// A VST3 module loaded through its real entry points (InitDll / ModuleEntry, GetPluginFactory)
// and driven through the VST3 interfaces only.

#include <memory>
#include <string>

#include "tests/win/module_driver.h"

namespace fluvia::modulecheck {

std::unique_ptr<ModuleDriver> LoadVst3(const std::string& bundle, std::string& error);

}  // namespace fluvia::modulecheck
