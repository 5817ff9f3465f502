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
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  # One string literal per 64 bytes: every byte as \xHH, so no escape can swallow the next
  # character, and the compiler reads literals far faster than brace lists of numbers.
  set(lines "")
  set(offset 0)
  while(offset LESS hexLength)
    string(SUBSTRING "${hex}" ${offset} 128 piece)
    string(REGEX REPLACE "(..)" "\\\\x\\1" piece "${piece}")
    string(APPEND lines "    \"${piece}\"\n")
    math(EXPR offset "${offset} + 128")
  endwhile()
  string(APPEND body "// ${name}\nconst unsigned char kImage${id}[] =\n${lines};\n\n")
  string(APPEND table "    {${id}, kImage${id}, sizeof kImage${id} - 1, \"${name}\"},\n")
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
