# Writes a C++ source holding one PNG file as a byte array (the application icon).
#   cmake -DINPUT=<icon.png> -DOUTPUT=<file.cpp> -P embed_icon.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
string(REGEX REPLACE "(................................................................................................................................................................................................................................................................)"
       "\\1\"\n    \"" lines "${escaped}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT} by embed_icon.cmake.
#include \"app/resources/app_icon.h\"

namespace fluvia::app {

const unsigned char kAppIconPng[] =
    \"${lines}\";
const std::size_t kAppIconPngSize = sizeof kAppIconPng - 1;

}  // namespace fluvia::app
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
