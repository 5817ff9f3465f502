#pragma once
// A CLAP module loaded through clap_entry and driven through the plug-in record and its
// extensions only.

#include <memory>
#include <string>

#include "tests/win/module_driver.h"

namespace fluvia::modulecheck {

std::unique_ptr<ModuleDriver> LoadClap(const std::string& module, std::string& error);

}  // namespace fluvia::modulecheck
