# Fluvia.exe under Wine, compared with the Linux program of the native build.
find_program(FLUVIA_XVFB_RUN xvfb-run REQUIRED)
add_test(NAME win_app_window
  COMMAND ${FLUVIA_XVFB_RUN} -a -s "-screen 0 1280x1024x24"
          ${CMAKE_CURRENT_SOURCE_DIR}/app_check.sh $<TARGET_FILE:fluvia_app>
          ${FLUVIA_NATIVE_BUILD_DIR}/app/fluvia
          ${FLUVIA_NATIVE_BUILD_DIR}/tools/snapshot/fluvia-snapshot
          ${CMAKE_BINARY_DIR}/wine ${CMAKE_CURRENT_BINARY_DIR}/work/app_window)
set_tests_properties(win_app_window PROPERTIES
  FIXTURES_REQUIRED wine LABELS win RUN_SERIAL ON TIMEOUT 180)
