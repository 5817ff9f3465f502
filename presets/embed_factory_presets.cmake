# Writes a C++ source holding the factory presets as byte arrays, so a program carries them
# without the source tree: every *.fluviapreset file of FACTORY_DIR (this version's), and of
# FACTORY_DIR/earlier/<version>/ every file whose content this version no longer ships under
# that name (the record that tells an unchanged factory preset of an earlier version from one
# the person changed). An earlier file equal to the current one, or to another earlier file of
# the same name, is recorded once or not at all.
#   cmake -DFACTORY_DIR=<dir> -DOUTPUT=<file.cpp> -P embed_factory_presets.cmake
function(hex_of path out_var)
  file(READ "${path}" hex HEX)
  set(${out_var} "${hex}" PARENT_SCOPE)
endfunction()

function(array_of name hex out_var)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  set(${out_var} "const unsigned char ${name}[] = {${bytes}0};\n" PARENT_SCOPE)
endfunction()

file(GLOB current LIST_DIRECTORIES false "${FACTORY_DIR}/*.fluviapreset")
list(SORT current)
set(body "")
set(current_table "")
set(count 0)
foreach(preset IN LISTS current)
  get_filename_component(name "${preset}" NAME)
  hex_of("${preset}" hex)
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  array_of("kCurrent${count}" "${hex}" array)
  string(APPEND body "${array}")
  string(APPEND current_table "    {\"${name}\", \"\", kCurrent${count}, ${size}},\n")
  set("seen_${name}" "${hex}")  # contents already recorded under this name
  math(EXPR count "${count} + 1")
endforeach()

file(GLOB earlier RELATIVE "${FACTORY_DIR}/earlier" LIST_DIRECTORIES false
     "${FACTORY_DIR}/earlier/*/*.fluviapreset")
list(SORT earlier)
set(earlier_table "")
set(earlier_count 0)
foreach(relative IN LISTS earlier)
  get_filename_component(name "${relative}" NAME)
  get_filename_component(version "${relative}" DIRECTORY)
  hex_of("${FACTORY_DIR}/earlier/${relative}" hex)
  if(DEFINED "seen_${name}")
    list(FIND "seen_${name}" "${hex}" known)
    if(NOT known EQUAL -1)
      continue()
    endif()
  endif()
  list(APPEND "seen_${name}" "${hex}")
  string(LENGTH "${hex}" length)
  math(EXPR size "${length} / 2")
  array_of("kEarlier${earlier_count}" "${hex}" array)
  string(APPEND body "${array}")
  string(APPEND earlier_table "    {\"${name}\", \"${version}\", kEarlier${earlier_count}, ${size}},\n")
  math(EXPR earlier_count "${earlier_count} + 1")
endforeach()

file(WRITE "${OUTPUT}.new"
"// Generated from presets/factory by embed_factory_presets.cmake; do not edit.\n"
"#include \"presets/embedded_factory_presets.h\"\n\n"
"namespace fluvia {\nnamespace {\n${body}}  // namespace\n\n"
"const EmbeddedPresetFile kEmbeddedFactoryPresets[] = {\n${current_table}    {nullptr, nullptr, nullptr, 0},\n};\n"
"const int kEmbeddedFactoryPresetCount = ${count};\n\n"
"const EmbeddedPresetFile kEmbeddedEarlierFactoryPresets[] = {\n${earlier_table}    {nullptr, nullptr, nullptr, 0},\n};\n"
"const int kEmbeddedEarlierFactoryPresetCount = ${earlier_count};\n\n}  // namespace fluvia\n")
# Only touch the output when it changed, so nothing is rebuilt for nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
