# Usage: cmake -DMODULE=<Fluvia.so> -P install_module.cmake
# Copies the module into the user's VST2 folder: $VST_INSTALL_DIR when set, else ~/.vst.
# Read when it runs, not when the build was configured, so the build's user is the one served.
if(DEFINED ENV{VST_INSTALL_DIR} AND NOT "$ENV{VST_INSTALL_DIR}" STREQUAL "")
  set(folder "$ENV{VST_INSTALL_DIR}")
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(folder "$ENV{HOME}/.vst")
else()
  message(FATAL_ERROR "neither VST_INSTALL_DIR nor HOME is set")
endif()
if(NOT EXISTS "${MODULE}")
  message(FATAL_ERROR "${MODULE} is not built")
endif()
file(MAKE_DIRECTORY "${folder}")
file(COPY "${MODULE}" DESTINATION "${folder}" USE_SOURCE_PERMISSIONS)
get_filename_component(name "${MODULE}" NAME)
message(STATUS "Installed ${name} in ${folder}")
