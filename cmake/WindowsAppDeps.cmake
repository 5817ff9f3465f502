# The Windows application's audio libraries (RtAudio, RtMidi, libsndfile): built once from
# Debian's source packages into FLUVIA_WIN_DEPS_DIR by tools/win/build-app-libs.sh, then
# offered as the static targets fluvia_win_rtaudio, fluvia_win_rtmidi and fluvia_win_sndfile.
if(TARGET fluvia_win_rtaudio)
  return()
endif()
if(NOT FLUVIA_WIN_DEPS_DIR)
  set(FLUVIA_WIN_DEPS_DIR "${CMAKE_BINARY_DIR}/deps")
endif()
set(_deps "${FLUVIA_WIN_DEPS_DIR}")
if(NOT EXISTS "${_deps}/lib/librtaudio.a" OR NOT EXISTS "${_deps}/lib/librtmidi.a" OR
   NOT EXISTS "${_deps}/lib/libsndfile.a")
  message(STATUS "Building the application's audio libraries for Windows into ${_deps}")
  execute_process(
    COMMAND bash "${PROJECT_SOURCE_DIR}/tools/win/build-app-libs.sh" "${_deps}"
    RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(WARNING "The Windows audio libraries could not be built "
                    "(tools/win/build-app-libs.sh): no Fluvia.exe")
    return()
  endif()
endif()

add_library(fluvia_win_rtaudio STATIC IMPORTED)
set_target_properties(fluvia_win_rtaudio PROPERTIES
  IMPORTED_LOCATION "${_deps}/lib/librtaudio.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps}/include/rtaudio"
  INTERFACE_LINK_LIBRARIES "ksuser;mfplat;mfuuid;wmcodecdspuuid;dsound;winmm;ole32")
add_library(fluvia_win_rtmidi STATIC IMPORTED)
set_target_properties(fluvia_win_rtmidi PROPERTIES
  IMPORTED_LOCATION "${_deps}/lib/librtmidi.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps}/include/rtmidi"
  INTERFACE_LINK_LIBRARIES "winmm")
add_library(fluvia_win_sndfile STATIC IMPORTED)
set_target_properties(fluvia_win_sndfile PROPERTIES
  IMPORTED_LOCATION "${_deps}/lib/libsndfile.a"
  INTERFACE_INCLUDE_DIRECTORIES "${_deps}/include")
