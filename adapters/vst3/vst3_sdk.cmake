# The Steinberg VST3 SDK as one static, position-independent library (fluvia_vst3_sdk).
# Third-party code: compiled with its own relaxed warnings, headers exposed as system headers
# so that the project's warning set does not report on them.

set(FLUVIA_VST3_SDK_DIR
    "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST3 SDK (pluginterfaces, base, public.sdk)")

set(FLUVIA_VST3_SDK_FOUND FALSE)
if(NOT EXISTS "${FLUVIA_VST3_SDK_DIR}/pluginterfaces/base/funknown.h"
   OR NOT EXISTS "${FLUVIA_VST3_SDK_DIR}/public.sdk/source/vst/vsteditcontroller.cpp")
  message(STATUS "VST3 SDK not found in ${FLUVIA_VST3_SDK_DIR}: the VST3 module is not built "
                 "(install juce-modules-source-data or set FLUVIA_VST3_SDK_DIR)")
  return()
endif()
set(FLUVIA_VST3_SDK_FOUND TRUE)

set(_sdk "${FLUVIA_VST3_SDK_DIR}")
add_library(fluvia_vst3_sdk STATIC
  ${_sdk}/base/source/baseiids.cpp
  ${_sdk}/base/source/fbuffer.cpp
  ${_sdk}/base/source/fdebug.cpp
  ${_sdk}/base/source/fobject.cpp
  ${_sdk}/base/source/fstreamer.cpp
  ${_sdk}/base/source/fstring.cpp
  ${_sdk}/base/source/updatehandler.cpp
  ${_sdk}/base/thread/source/flock.cpp
  ${_sdk}/pluginterfaces/base/conststringtable.cpp
  ${_sdk}/pluginterfaces/base/coreiids.cpp
  ${_sdk}/pluginterfaces/base/funknown.cpp
  ${_sdk}/pluginterfaces/base/ustring.cpp
  ${_sdk}/public.sdk/source/common/memorystream.cpp
  ${_sdk}/public.sdk/source/common/pluginview.cpp
  ${_sdk}/public.sdk/source/vst/hosting/hostclasses.cpp
  ${_sdk}/public.sdk/source/vst/hosting/pluginterfacesupport.cpp
  ${_sdk}/public.sdk/source/vst/vstbus.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponent.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp
  ${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp
  ${_sdk}/public.sdk/source/vst/vstinitiids.cpp
  ${_sdk}/public.sdk/source/vst/vstparameters.cpp
  ${_sdk}/public.sdk/source/vst/vstpresetfile.cpp
  # Interface identifiers this copy of the SDK declares but never defines.
  ${CMAKE_CURRENT_SOURCE_DIR}/sdk_gui_iids.cpp)
target_include_directories(fluvia_vst3_sdk SYSTEM PUBLIC "${_sdk}")
# The SDK insists on a build flavour; its development flavour breaks into the debugger on
# failed assertions, which a host must never see, so every build uses the release flavour.
target_compile_definitions(fluvia_vst3_sdk PUBLIC RELEASE=1)
target_compile_options(fluvia_vst3_sdk PRIVATE -w)
set_target_properties(fluvia_vst3_sdk PROPERTIES POSITION_INDEPENDENT_CODE ON)
find_package(Threads REQUIRED)
target_link_libraries(fluvia_vst3_sdk PUBLIC Threads::Threads)
