# Usage: cmake -DBUNDLE=<Fluvia.vst3> -P install_bundle.cmake
# Copies the bundle into the user's VST3 folder: $VST3_INSTALL_DIR when set, else ~/.vst3.
# Read when it runs, not when the build was configured, so the build's user is the one served.
if(DEFINED ENV{VST3_INSTALL_DIR} AND NOT "$ENV{VST3_INSTALL_DIR}" STREQUAL "")
  set(folder "$ENV{VST3_INSTALL_DIR}")
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(folder "$ENV{HOME}/.vst3")
else()
  message(FATAL_ERROR "neither VST3_INSTALL_DIR nor HOME is set")
endif()
get_filename_component(name "${BUNDLE}" NAME)
if(NOT EXISTS "${BUNDLE}/Contents")
  message(FATAL_ERROR "${BUNDLE} is not a built bundle")
endif()
file(MAKE_DIRECTORY "${folder}")
file(REMOVE_RECURSE "${folder}/${name}")
file(COPY "${BUNDLE}" DESTINATION "${folder}" USE_SOURCE_PERMISSIONS)
message(STATUS "Installed ${name} in ${folder}")
