# Usage: cmake -DRENDER=<fluvia-render> -DBUNDLE=<Fluvia.vst3> -DOUT=<dir> -P render_compare.cmake
# fluvia-render plays the same note on the instrument linked into it and on the built
# Fluvia.vst3 through the VST3 interfaces; both renders must be identical and not silent.
file(MAKE_DIRECTORY "${OUT}")
set(args --note 62 --velocity 90 --length 0.5 --tail 0.25 --rate 48000 --block 480
         --param AmpMainVolume=0.5 --param SoundfieldAmt=0.4 --param ContainerSize=0.3)
execute_process(COMMAND "${RENDER}" ${args} -o "${OUT}/linked.wav"
                OUTPUT_VARIABLE linked RESULT_VARIABLE rc1)
execute_process(COMMAND "${RENDER}" ${args} --vst3 "${BUNDLE}" -o "${OUT}/vst3.wav"
                OUTPUT_VARIABLE vst3 ERROR_VARIABLE err RESULT_VARIABLE rc2)
message("linked: ${linked}vst3:   ${vst3}${err}")
if(NOT rc1 EQUAL 0 OR NOT rc2 EQUAL 0)
  message(FATAL_ERROR "fluvia-render failed (${rc1}, ${rc2})")
endif()
if(vst3 MATCHES "peak -inf")
  message(FATAL_ERROR "the VST3 render is silent")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/linked.wav" "${OUT}/vst3.wav"
                RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "the VST3 render differs from the linked instrument's")
endif()
