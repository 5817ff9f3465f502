#pragma once
// A system-wide install (the Debian package) puts the factory presets into a shared data
// folder, since a package cannot write into every user's documents folder. The first
// instance in a process lays them into the user's preset folder, so a person who installs
// the package and opens a host finds the library filled. A preset file that is already there
// is never replaced (InstallPresets); a factory preset the person deleted comes back.

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
