# Usage: cmake -DSCANNER=<ardour-vst-scanner> -DLIBDIR=<dir> -DMODULE=<Fluvia.so>
#              -DSCRATCH=<dir> -P ardour_scan.cmake
# Runs Ardour's VST2 scanner on the module with a scratch home and checks that it reads an
# instrument with its name and vendor, one MIDI input, two audio outputs and an editor.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(ENV{HOME} "${SCRATCH}")
set(ENV{XDG_CACHE_HOME} "${SCRATCH}/.cache")
set(ENV{XDG_CONFIG_HOME} "${SCRATCH}/.config")
set(ENV{LD_LIBRARY_PATH} "${LIBDIR}")
execute_process(COMMAND "${SCANNER}" -v -f "${MODULE}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 120)
set(all "${out}${err}")
message("${all}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scanner exited with ${rc}")
endif()
foreach(pattern
    "Found Plugin: [^\n]* Fluvia"
    "id=\"1449552945\""
    "name=\"Fluvia\""
    "creator=\"VelmoraAudio\""
    "category=\"Instrument\""
    "n_inputs=\"2\" n_outputs=\"2\""
    "n_midi_inputs=\"1\""
    "is_instrument=\"1\""
    "can_process_replace=\"1\""
    "has_editor=\"1\"")
  if(NOT all MATCHES "${pattern}")
    message(FATAL_ERROR "scanner output lacks ${pattern}")
  endif()
endforeach()
