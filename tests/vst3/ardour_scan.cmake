# Usage: cmake -DSCANNER=<ardour-vst3-scanner> -DLIBDIR=<dir> -DBUNDLE=<Fluvia.vst3>
#              -DSCRATCH=<dir> -P ardour_scan.cmake
# Runs Ardour's VST3 scanner on the bundle with a scratch home and checks that it reports
# the plug-in's name, vendor and instrument category, and its MIDI input and stereo output.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(ENV{HOME} "${SCRATCH}")
set(ENV{XDG_CACHE_HOME} "${SCRATCH}/.cache")
set(ENV{XDG_CONFIG_HOME} "${SCRATCH}/.config")
set(ENV{LD_LIBRARY_PATH} "${LIBDIR}")
execute_process(COMMAND "${SCANNER}" -v -f "${BUNDLE}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 120)
set(all "${out}${err}")
message("${all}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scanner exited with ${rc}")
endif()
foreach(pattern
    "Found Plugin: Fluvia"
    "name=\"Fluvia\""
    "vendor=\"VelmoraAudio\""
    "category=\"Instrument\\|Synth\""
    "version=\"1.0.2\""
    "n_inputs=\"2\" n_outputs=\"2\""
    "n_midi_inputs=\"1\"")
  if(NOT all MATCHES "${pattern}")
    message(FATAL_ERROR "scanner output lacks ${pattern}")
  endif()
endforeach()
