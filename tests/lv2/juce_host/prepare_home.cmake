# Usage: cmake -DHOME=<dir> -DBUNDLE=<Fluvia.lv2> -P prepare_home.cmake
# A fresh home with the built bundle in ~/.lv2, where JUCE's LV2 hosting looks.
file(REMOVE_RECURSE "${HOME}")
file(MAKE_DIRECTORY "${HOME}/.lv2")
file(COPY "${BUNDLE}" DESTINATION "${HOME}/.lv2")
