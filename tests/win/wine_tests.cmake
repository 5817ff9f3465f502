# The Windows build's tests: its binaries run under Wine in a private prefix kept in the build
# folder (made once, by the first test), and are compared with the Linux build of the same
# sources in FLUVIA_NATIVE_BUILD_DIR.
set(FLUVIA_NATIVE_BUILD_DIR "${PROJECT_SOURCE_DIR}/build/release"
    CACHE PATH "Native build whose modules the Windows modules are compared with")
set(_wine_state "${CMAKE_BINARY_DIR}/wine")
set(_wine_run "${PROJECT_SOURCE_DIR}/tools/win/wine-run.sh")
set(_native_check "${FLUVIA_NATIVE_BUILD_DIR}/tests/win/fluvia-module-check")
set(_work "${CMAKE_CURRENT_BINARY_DIR}/work")
set(_check "$<TARGET_FILE:fluvia-module-check>")
find_program(FLUVIA_MINGW_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)

add_test(NAME win_prefix COMMAND ${_wine_run} ${_wine_state} cmd /c exit 0)
set_tests_properties(win_prefix PROPERTIES FIXTURES_SETUP wine LABELS win TIMEOUT 300)

add_test(NAME win_check_imports
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_imports.sh ${FLUVIA_MINGW_OBJDUMP} ${_check})
set_tests_properties(win_check_imports PROPERTIES LABELS win)

if(TARGET fluvia_vst3_module)
  set(_vst3 "$<TARGET_FILE:fluvia_vst3_module>")
  set(_linux_vst3 "${FLUVIA_NATIVE_BUILD_DIR}/adapters/vst3/Fluvia.vst3")
  add_test(NAME win_vst3_imports
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_imports.sh ${FLUVIA_MINGW_OBJDUMP} ${_vst3}
            GetPluginFactory InitDll ExitDll)
  set_tests_properties(win_vst3_imports PROPERTIES LABELS win)
  # Loading the Windows module under Wine describes it exactly as the Linux module is described.
  set(_info Contents/Resources/moduleinfo.json)
  add_test(NAME win_vst3_moduleinfo
    COMMAND ${_native_check} compare-bytes ${_linux_vst3}/${_info} ${FLUVIA_VST3_BUNDLE}/${_info})
  set_tests_properties(win_vst3_moduleinfo PROPERTIES LABELS win)
  foreach(mode render64 render32 state preset)
    add_test(NAME win_vst3_${mode}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/compare_with_linux.sh ${mode} vst3 ${_native_check}
              ${_linux_vst3} ${_check} ${FLUVIA_VST3_BUNDLE} ${_wine_state} ${_work}/vst3_${mode})
    set_tests_properties(win_vst3_${mode} PROPERTIES FIXTURES_REQUIRED wine LABELS win TIMEOUT 180)
  endforeach()
endif()

# The editor in a real window under Xvfb, driven with the X tools.
find_program(FLUVIA_XVFB_RUN xvfb-run REQUIRED)
if(TARGET fluvia_vst3_module AND TARGET fluvia_graphics_win)
  add_test(NAME win_vst3_editor
    COMMAND ${FLUVIA_XVFB_RUN} -a -s "-screen 0 1280x1024x24"
            ${CMAKE_CURRENT_SOURCE_DIR}/editor_check.sh vst3 ${_check} ${FLUVIA_VST3_BUNDLE}
            ${FLUVIA_NATIVE_BUILD_DIR}/tools/snapshot/fluvia-snapshot ${_wine_state}
            ${_work}/vst3_editor)
  set_tests_properties(win_vst3_editor PROPERTIES FIXTURES_REQUIRED wine LABELS win RUN_SERIAL ON TIMEOUT 180)
endif()

# The CLAP module the same way, against the Linux Fluvia.clap.
if(TARGET fluvia_clap_module)
  set(_clap "$<TARGET_FILE:fluvia_clap_module>")
  set(_linux_clap "${FLUVIA_NATIVE_BUILD_DIR}/adapters/clap/Fluvia.clap")
  add_test(NAME win_clap_imports
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_imports.sh ${FLUVIA_MINGW_OBJDUMP} ${_clap} clap_entry)
  set_tests_properties(win_clap_imports PROPERTIES LABELS win)
  foreach(mode render64 render32 state)
    add_test(NAME win_clap_${mode}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/compare_with_linux.sh ${mode} clap ${_native_check}
              ${_linux_clap} ${_check} ${_clap} ${_wine_state} ${_work}/clap_${mode})
    set_tests_properties(win_clap_${mode} PROPERTIES FIXTURES_REQUIRED wine LABELS win TIMEOUT 180)
  endforeach()
  if(TARGET fluvia_graphics_win)
    add_test(NAME win_clap_editor
      COMMAND ${FLUVIA_XVFB_RUN} -a -s "-screen 0 1280x1024x24"
              ${CMAKE_CURRENT_SOURCE_DIR}/editor_check.sh clap ${_check} ${_clap}
              ${FLUVIA_NATIVE_BUILD_DIR}/tools/snapshot/fluvia-snapshot ${_wine_state}
              ${_work}/clap_editor)
    set_tests_properties(win_clap_editor PROPERTIES
      FIXTURES_REQUIRED wine LABELS win RUN_SERIAL ON TIMEOUT 180)
  endif()
endif()

# The VST2 DLL the same way, against the Linux Fluvia.so.
if(TARGET fluvia_vst2_module)
  set(_vst2 "$<TARGET_FILE:fluvia_vst2_module>")
  set(_linux_vst2 "${FLUVIA_NATIVE_BUILD_DIR}/adapters/vst2/Fluvia.so")
  add_test(NAME win_vst2_imports
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/check_imports.sh ${FLUVIA_MINGW_OBJDUMP} ${_vst2}
            VSTPluginMain main)
  set_tests_properties(win_vst2_imports PROPERTIES LABELS win)
  foreach(mode render64 render32 state)
    add_test(NAME win_vst2_${mode}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/compare_with_linux.sh ${mode} vst2 ${_native_check}
              ${_linux_vst2} ${_check} ${_vst2} ${_wine_state} ${_work}/vst2_${mode})
    set_tests_properties(win_vst2_${mode} PROPERTIES FIXTURES_REQUIRED wine LABELS win TIMEOUT 180)
  endforeach()
  if(TARGET fluvia_graphics_win)
    add_test(NAME win_vst2_editor
      COMMAND ${FLUVIA_XVFB_RUN} -a -s "-screen 0 1280x1024x24"
              ${CMAKE_CURRENT_SOURCE_DIR}/editor_check.sh vst2 ${_check} ${_vst2}
              ${FLUVIA_NATIVE_BUILD_DIR}/tools/snapshot/fluvia-snapshot ${_wine_state}
              ${_work}/vst2_editor)
    set_tests_properties(win_vst2_editor PROPERTIES
      FIXTURES_REQUIRED wine LABELS win RUN_SERIAL ON TIMEOUT 180)
  endif()
endif()

# Every module and program we ship carries its version resource, as Windows reads it.
set(_versioned)
if(TARGET fluvia_vst3_module)
  list(APPEND _versioned "$<TARGET_FILE:fluvia_vst3_module>" "Fluvia water synthesizer, VST3 plug-in")
endif()
if(TARGET fluvia_vst2_module)
  list(APPEND _versioned "$<TARGET_FILE:fluvia_vst2_module>" "Fluvia water synthesizer, VST2 plug-in")
endif()
if(TARGET fluvia_clap_module)
  list(APPEND _versioned "$<TARGET_FILE:fluvia_clap_module>" "Fluvia water synthesizer, CLAP plug-in")
endif()
if(TARGET fluvia_app)
  list(APPEND _versioned "$<TARGET_FILE:fluvia_app>" "Fluvia water synthesizer")
endif()
if(TARGET fluvia-install-presets)
  list(APPEND _versioned "$<TARGET_FILE:fluvia-install-presets>" "Fluvia factory preset installer")
endif()
add_test(NAME win_version_info
  COMMAND ${PROJECT_SOURCE_DIR}/tools/win/check-version-info.sh ${PROJECT_VERSION} ${_versioned}
          -- ${_wine_run} ${_wine_state} ${_check})
set_tests_properties(win_version_info PROPERTIES FIXTURES_REQUIRED wine LABELS win TIMEOUT 120)

# The Win32 window host itself, in real windows: GoogleTest cross-built from Debian's sources.
set(FLUVIA_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources to cross-build")
if(TARGET fluvia_graphics_win AND EXISTS "${FLUVIA_GTEST_SOURCE_DIR}/CMakeLists.txt")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory("${FLUVIA_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  add_executable(win_graphics_tests graphics_win_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/graphics/editor/test_plugin.cpp)
  target_include_directories(win_graphics_tests PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(win_graphics_tests PRIVATE fluvia_graphics_win fluvia_artwork_small
    fluvia_artwork_large fluvia_engine gtest gtest_main)
  target_link_options(win_graphics_tests PRIVATE -static)
  fluvia_warnings(win_graphics_tests)
  add_test(NAME win_graphics_tests
    COMMAND ${FLUVIA_XVFB_RUN} -a -s "-screen 0 1280x1024x24"
            ${_wine_run} ${_wine_state} $<TARGET_FILE:win_graphics_tests>)
  set_tests_properties(win_graphics_tests PROPERTIES
    FIXTURES_REQUIRED wine LABELS win RUN_SERIAL ON TIMEOUT 180)
endif()

# The bitmap and text layer on Windows: the DIB-section system bitmap, GDI text with its glyph
# cache, PNG decoding and the artwork as module resources.
if(TARGET gtest)
  set(_pix ${PROJECT_SOURCE_DIR}/tests/graphics/pix)
  add_executable(win_pix_tests
    ${_pix}/pix_bitmap_test.cpp ${_pix}/pix_blend_test.cpp ${_pix}/pix_font_test.cpp
    ${_pix}/pix_png_test.cpp ${_pix}/pix_utf8_test.cpp pix_resource_test.cpp)
  target_include_directories(win_pix_tests PRIVATE ${PROJECT_SOURCE_DIR} ${_pix})
  target_link_libraries(win_pix_tests PRIVATE fluvia_pix fluvia_artwork_large fluvia_artwork_small
                        gtest gtest_main)
  target_link_options(win_pix_tests PRIVATE -static)
  fluvia_warnings(win_pix_tests)
  add_test(NAME win_pix_tests
    COMMAND ${FLUVIA_XVFB_RUN} -a ${_wine_run} ${_wine_state} $<TARGET_FILE:win_pix_tests>)
  set_tests_properties(win_pix_tests PROPERTIES FIXTURES_REQUIRED wine LABELS win TIMEOUT 180)
endif()
