# Usage: cmake -DLUA=<ardour7-lua> -DSCANNER=<ardour-vst-scanner> -DLIBDIR=<dir>
#              -DMODULE=<Fluvia.so> -DSCRIPT=<ardour_session.lua> -DLEVEL=<wav_level>
#              -DSCRATCH=<dir> -P ardour_session.cmake
#        or, for the LV2 bundle: -DLV2_BUNDLE=<Fluvia.lv2> in place of SCANNER, LIBDIR, MODULE
# Ardour's headless Lua session (dummy backend, private HOME) loads the module on a MIDI
# track, plays a note from a region and exports the audio, which must not be silent.
# Ardour 7.3 corrupts its own heap at the end of about one headless export in three, with any
# plug-in; a run that dies by a signal or hangs before its result is complete is tried again
# (4 tries). A run that ends by itself without its result fails the test.
file(REMOVE_RECURSE "${SCRATCH}")
set(ENV{HOME} "${SCRATCH}/home")
set(ENV{XDG_CACHE_HOME} "${SCRATCH}/home/.cache")
set(ENV{XDG_CONFIG_HOME} "${SCRATCH}/home/.config")
if(DEFINED LV2_BUNDLE)
  # Ardour reads LV2 bundles through lilv, from LV2_PATH.
  file(MAKE_DIRECTORY "${SCRATCH}/home/.lv2")
  file(COPY "${LV2_BUNDLE}" DESTINATION "${SCRATCH}/home/.lv2")
  set(ENV{LV2_PATH} "${SCRATCH}/home/.lv2:/usr/lib/lv2")
  set(ENV{FLUVIA_PLUGIN_TYPE} "LV2")
else()
  file(MAKE_DIRECTORY "${SCRATCH}/home/.vst")
  file(COPY "${MODULE}" DESTINATION "${SCRATCH}/home/.vst")
  set(ENV{LXVST_PATH} "${SCRATCH}/home/.vst")
  get_filename_component(name "${MODULE}" NAME)

  # Ardour reads VST2 modules from the cache its scanner writes.
  set(ENV{LD_LIBRARY_PATH} "${LIBDIR}")
  execute_process(COMMAND "${SCANNER}" -f "${SCRATCH}/home/.vst/${name}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  unset(ENV{LD_LIBRARY_PATH})
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Ardour's scanner failed on the module (${rc})")
  endif()
endif()

set(wav "${SCRATCH}/export/water.wav")
set(ENV{FLUVIA_SESSION} "${SCRATCH}/session")
set(ENV{FLUVIA_EXPORT} "${SCRATCH}/export")
# One step of the session (see ardour_session.lua); `done` tells whether it left its result.
# A step that ends by a signal or a hang after its result is complete counts as done.
function(run_step step result)
  set(ENV{FLUVIA_STEP} "${step}")
  # No standard input: the interpreter would wait on it after the script.
  execute_process(COMMAND "${LUA}" "${SCRIPT}" INPUT_FILE /dev/null
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 60)
  message("${step}: exit ${rc}\n${out}${err}")
  if(step STREQUAL "create")
    set(ok FALSE)
    if(EXISTS "${SCRATCH}/session/created")
      set(ok TRUE)
    endif()
  else()
    execute_process(COMMAND "${LEVEL}" "${wav}" 0.01 RESULT_VARIABLE level)
    set(ok FALSE)
    if(level EQUAL 0)
      set(ok TRUE)
    endif()
  endif()
  if(NOT ok AND rc MATCHES "^[0-9]+$")
    # Ended by itself, without its result (for the export: audio that is silent).
    message(FATAL_ERROR "the ${step} step failed without a signal (exit ${rc})")
  endif()
  set(${result} ${ok} PARENT_SCOPE)
endfunction()

foreach(step create export)
  foreach(try RANGE 1 4)
    file(REMOVE_RECURSE "${SCRATCH}/session")
    if(step STREQUAL "export")
      # Each try starts from the session as created: a crashed run may leave it changed.
      file(COPY "${SCRATCH}/created/" DESTINATION "${SCRATCH}/session")
    endif()
    file(REMOVE_RECURSE "${SCRATCH}/export")
    file(MAKE_DIRECTORY "${SCRATCH}/export")
    run_step(${step} done)
    if(done)
      break()
    endif()
  endforeach()
  if(step STREQUAL "create" AND done)
    file(REMOVE_RECURSE "${SCRATCH}/created")
    file(COPY "${SCRATCH}/session/" DESTINATION "${SCRATCH}/created")
  endif()
  if(NOT done)
    message(FATAL_ERROR "the ${step} step did not complete in 4 tries")
  endif()
endforeach()
