# Usage: cmake -DNM=<nm> -DMODULE=<Fluvia.so> [-DEXPECTED=<a;b;c>] -P check_exports.cmake
# The module must export its entry points (by default the three of a VST3 module) and nothing
# else.
if(NOT DEFINED EXPECTED)
  set(EXPECTED "GetPluginFactory;ModuleEntry;ModuleExit")
endif()
list(SORT EXPECTED)
execute_process(COMMAND "${NM}" -D --defined-only "${MODULE}"
                OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL EXPECTED)
  message(FATAL_ERROR "unexpected exports: ${names}")
endif()
message(STATUS "exports: ${names}")
