#pragma once
// The version check: a module's or program's version resource as Windows itself reads it
// (the version library Explorer's Properties > Details uses), for the tests to compare with
// the project's version.

#include <string>

namespace fluvia::modulecheck {

// Prints one "Key=Value" line per field of FILE's version resource (UTF-8): FixedFileVersion
// and FixedProductVersion (the four numbers), FileType (app, dll or other), Translation
// (language and code page, as the string table names them), then every string of that table
// in the order of the standard keys. 0 on success, 1 when the file has no readable resource.
int PrintVersionInfo(const std::string& file);

}  // namespace fluvia::modulecheck
