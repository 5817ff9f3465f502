# Writes the Windows resource script of one artwork set: every image as resource type "PNG",
# its id raised by ID_OFFSET (so that both sets fit in one module).
#   cmake -DIMAGE_DIR=<dir> -DOUTPUT=<file.rc> -DID_OFFSET=<n> -P artwork_rc.cmake
include(${CMAKE_CURRENT_LIST_DIR}/artwork_images.cmake)

set(script "// Generated from ${IMAGE_DIR} by artwork_rc.cmake; do not edit.\n")
list(LENGTH FLUVIA_ARTWORK_IMAGES count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET FLUVIA_ARTWORK_IMAGES ${i} id)
  list(GET FLUVIA_ARTWORK_IMAGES ${j} name)
  if(NOT DEFINED ID_OFFSET)
    set(ID_OFFSET 0)
  endif()
  math(EXPR resource "${id} + ${ID_OFFSET}")
  if(EXISTS "${IMAGE_DIR}/${name}")
    string(APPEND script "${resource} PNG \"${IMAGE_DIR}/${name}\"\n")
  endif()
endforeach()
file(WRITE "${OUTPUT}" "${script}")
