# FLUVIA_SANITIZE applies to every target of the build, so that the libraries, the tests and
# the tools are instrumented alike.
if(FLUVIA_SANITIZE)
  set(_fluvia_san_flags "")
  foreach(san IN LISTS FLUVIA_SANITIZE)
    list(APPEND _fluvia_san_flags "-fsanitize=${san}")
  endforeach()
  list(APPEND _fluvia_san_flags -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${_fluvia_san_flags})
  add_link_options(${_fluvia_san_flags})
endif()
