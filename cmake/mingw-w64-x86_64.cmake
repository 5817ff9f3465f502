# Cross-building the Windows x64 modules on Linux with mingw-w64.
# The posix thread model is required: the win32 model has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

# Search the target's own root for libraries and headers (zlib from libz-mingw-w64-dev, the
# libpng the setup script builds), and the build machine only for programs.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${FLUVIA_WIN_DEPS_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static zlib: the modules must load with nothing beside them.
set(ZLIB_USE_STATIC_LIBS ON)

# Programs built for Windows run under Wine (tests and helpers).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
