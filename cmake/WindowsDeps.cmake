# The Windows cross build's libpng: built once from Debian's source package into
# FLUVIA_WIN_DEPS_DIR (inside the build folder), where the toolchain file lets find_package
# look. zlib comes from libz-mingw-w64-dev.
if(NOT FLUVIA_WIN_DEPS_DIR)
  set(FLUVIA_WIN_DEPS_DIR "${CMAKE_BINARY_DIR}/deps" CACHE PATH "Windows libraries built here")
  list(APPEND CMAKE_FIND_ROOT_PATH "${FLUVIA_WIN_DEPS_DIR}")
endif()
if(NOT EXISTS "${FLUVIA_WIN_DEPS_DIR}/lib/libpng16.a")
  message(STATUS "Building libpng for Windows into ${FLUVIA_WIN_DEPS_DIR}")
  execute_process(
    COMMAND bash "${PROJECT_SOURCE_DIR}/tools/win/build-libpng.sh" "${FLUVIA_WIN_DEPS_DIR}"
    RESULT_VARIABLE _png_result)
  if(NOT _png_result EQUAL 0)
    message(FATAL_ERROR "libpng for Windows could not be built (tools/win/build-libpng.sh)")
  endif()
endif()
set(PNG_LIBRARY "${FLUVIA_WIN_DEPS_DIR}/lib/libpng16.a" CACHE FILEPATH "static libpng")
set(PNG_PNG_INCLUDE_DIR "${FLUVIA_WIN_DEPS_DIR}/include" CACHE PATH "libpng headers")
set(ZLIB_LIBRARY "/usr/x86_64-w64-mingw32/lib/libz.a" CACHE FILEPATH "static zlib")
