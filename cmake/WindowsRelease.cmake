# How Windows executables are built for shipping: small, stripped, and the
# same bytes from the same sources wherever and whenever they are built.
#
#   -Os, functions and data in sections of their own, and unused sections
#     dropped at link time: the program keeps only what it calls.
#   -s: no symbols in the file.
#   --no-insert-timestamp: the linker would otherwise write the build time
#     into the file header.
#   -ffile-prefix-map: the source and build folders never reach the file.
#
# Applies to every target of a Windows Release build, so that the tests of the
# mingw preset run the very code that ships. Include after project().
if(NOT WIN32)
  return()
endif()

set(_lt260_release "$<CONFIG:Release>")
set(_lt260_c_or_cxx "$<COMPILE_LANGUAGE:C,CXX>")
add_compile_options(
  "$<$<AND:${_lt260_release},${_lt260_c_or_cxx}>:-ffunction-sections;-fdata-sections>"
  "$<${_lt260_c_or_cxx}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=;-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>"
)
add_link_options(
  "$<${_lt260_release}:-Wl,--gc-sections;-s>"
  "-Wl,--no-insert-timestamp"
)
# -Os rather than CMake's -O3: smaller, and as fast for a program that spends
# its life waiting for messages.
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
unset(_lt260_release)
unset(_lt260_c_or_cxx)
