# Writes a C++ source holding every *.fluviapreset file of FACTORY_DIR as a byte array, so the
# installer carries the factory presets without needing the source tree.
#   cmake -DFACTORY_DIR=<dir> -DOUTPUT=<file.cpp> -P embed_factory_presets.cmake
file(GLOB presets LIST_DIRECTORIES false "${FACTORY_DIR}/*.fluviapreset")
list(SORT presets)
set(body "")
set(table "")
set(index 0)
foreach(preset IN LISTS presets)
  get_filename_component(name "${preset}" NAME)
  file(READ "${preset}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND body "const unsigned char kPreset${index}[] = {${bytes}0};\n")
  string(APPEND table "    {\"${name}\", kPreset${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.new"
"// Generated from presets/factory by embed_factory_presets.cmake; do not edit.\n"
"#include \"tools/presets/embedded_factory_presets.h\"\n\n"
"namespace fluvia {\nnamespace {\n${body}}  // namespace\n\n"
"const EmbeddedPresetFile kEmbeddedFactoryPresets[] = {\n${table}};\n"
"const int kEmbeddedFactoryPresetCount = ${index};\n\n}  // namespace fluvia\n")
# Only touch the output when it changed, so the installer is not rebuilt for nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
