#pragma once
// A system-wide install (the Debian package) puts the factory presets into a shared data
// folder, since a package cannot write into every user's documents folder. The first
// instance in a process lays them into the user's preset folder, so a person who installs
// the package and opens a host finds the library filled, and one who upgrades gets the new
// factory presets in place of the earlier ones they never changed. What the person changed is
// kept (InstallPresets). Each set is laid once per preset folder
// (InstallSharedFactoryPresets): a factory preset the person deleted stays deleted until an
// upgrade brings other factory files.

#include <string>

namespace fluvia {

// Runs InstallSharedFactoryPresets for this module and the user's preset folder once per
// process. Does nothing for a module outside a system prefix or when the documents folder is
// unknown.
void LaySharedFactoryPresetsOnce();

// ---- Platform operation (presets/linux, presets/win) ------------------------------------------

// The absolute path of the module (shared library or program) this code is linked into;
// empty when the system cannot tell.
std::string ThisModulePath();

}  // namespace fluvia
