# Turns one artwork set into a C++ source that holds every image as a byte array and registers
# the table with the bitmap layer when the module loads.
#   cmake -DIMAGE_DIR=<resources/img/large> -DSET=Large -DOUTPUT=<file.cpp> -P embed_artwork.cmake
include(${CMAKE_CURRENT_LIST_DIR}/artwork_images.cmake)

set(body "")
set(table "")
list(LENGTH FLUVIA_ARTWORK_IMAGES count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET FLUVIA_ARTWORK_IMAGES ${i} id)
  list(GET FLUVIA_ARTWORK_IMAGES ${j} name)
  set(path "${IMAGE_DIR}/${name}")
  if(NOT EXISTS "${path}")
    message(WARNING "artwork image missing: ${path}")
    continue()
  endif()
  # Identical images (the knobs share one strip) are stored once.
  file(SHA256 "${path}" digest)
  if(DEFINED symbol_${digest})
    set(symbol ${symbol_${digest}})
    string(APPEND table "    {${id}, ${symbol}, sizeof ${symbol} - 1, \"${name}\"},\n")
    continue()
  endif()
  set(symbol kImage${id})
  set(symbol_${digest} ${symbol})
  file(READ "${path}" hex HEX)
  # Every byte as \xHH, so no escape can swallow the next character, 64 bytes to a string
  # literal line; compilers read string literals far faster than brace lists of numbers. Both
  # steps are single regex passes: the file can be megabytes long.
  string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
  string(REGEX REPLACE "(................................................................................................................................................................................................................................................................)"
         "\\1\"\n    \"" lines "${escaped}")
  set(lines "    \"${lines}\"\n")
  string(APPEND body "// ${name}\nconst unsigned char ${symbol}[] =\n${lines};\n\n")
  string(APPEND table "    {${id}, ${symbol}, sizeof ${symbol} - 1, \"${name}\"},\n")
endforeach()

if(table STREQUAL "")
  set(registration "[[maybe_unused]] const bool kRegistered =\n    RegisterImageResources(ArtworkSet::${SET}, nullptr, 0);\n")
else()
  set(registration "const ImageResource kTable[] = {\n${table}};\n\n[[maybe_unused]] const bool kRegistered =\n    RegisterImageResources(ArtworkSet::${SET}, kTable, sizeof kTable / sizeof kTable[0]);\n")
endif()

file(WRITE "${OUTPUT}.tmp" "// Generated from ${IMAGE_DIR} by embed_artwork.cmake; do not edit.
#include \"graphics/pix/pix_image_resource.h\"

namespace fluvia {
namespace {

${body}${registration}
}  // namespace
}  // namespace fluvia
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
