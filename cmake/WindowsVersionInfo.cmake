# fluvia_version_info(<target> DESCRIPTION <text> FILE_NAME <name>)
#
# Gives a Windows module or program the version resource Windows shows for it: company,
# product, the description, the file name it ships as, file and product version (the
# project's version) and the copyright. Each target gets its own resource script, generated
# here from one template (cmake/version_info.rc.in) and compiled with the toolchain's windres.
# Does nothing outside Windows builds.
set(FLUVIA_VERSION_INFO_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/version_info.rc.in")

function(fluvia_version_info target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(VI "" "DESCRIPTION;FILE_NAME" "" ${ARGN})
  if(NOT VI_DESCRIPTION OR NOT VI_FILE_NAME)
    message(FATAL_ERROR "fluvia_version_info(${target}): DESCRIPTION and FILE_NAME are needed")
  endif()
  foreach(text IN ITEMS "${VI_DESCRIPTION}" "${VI_FILE_NAME}" "${FLUVIA_COMPANY}"
                        "${FLUVIA_PRODUCT}" "${FLUVIA_COPYRIGHT}")
    if(text MATCHES "[\"\\\\]")
      message(FATAL_ERROR "fluvia_version_info(${target}): no quotes or backslashes in '${text}'")
    endif()
  endforeach()

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(FLUVIA_VI_FILE_TYPE VFT_APP)
  else()
    set(FLUVIA_VI_FILE_TYPE VFT_DLL)
  endif()
  # Four numbers, the last (the build) 0 unless the project version has one.
  set(numbers ${Fluvia_VERSION_MAJOR} ${Fluvia_VERSION_MINOR} ${Fluvia_VERSION_PATCH}
              ${Fluvia_VERSION_TWEAK})
  list(LENGTH numbers count)
  while(count LESS 4)
    list(APPEND numbers 0)
    math(EXPR count "${count} + 1")
  endwhile()
  list(JOIN numbers "," FLUVIA_VI_NUMBERS)
  set(FLUVIA_VI_DESCRIPTION "${VI_DESCRIPTION}")
  set(FLUVIA_VI_FILE_NAME "${VI_FILE_NAME}")
  string(REGEX REPLACE "\\.[^.]*$" "" FLUVIA_VI_INTERNAL_NAME "${VI_FILE_NAME}")

  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${FLUVIA_VERSION_INFO_TEMPLATE}" "${script}" @ONLY)
  target_sources(${target} PRIVATE "${script}")
endfunction()
