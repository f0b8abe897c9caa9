# Compiler settings shared by every target of the tree.
#
# vidorra_set_warnings(<target>) turns on the project's warning set; with
# VIDORRA_WERROR (on in every preset and in CI, off in a plain configure so
# that another compiler's or optimiser's new warning does not stop a build)
# every warning is an error.
# VIDORRA_SANITIZE adds AddressSanitizer and UndefinedBehaviorSanitizer to every
# compile and link, and makes any sanitizer report fatal. VIDORRA_TSAN adds
# ThreadSanitizer the same way (the two cannot be combined).

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(VIDORRA_WARNING_FLAGS
      -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wformat=2
      -Wnull-dereference -Wdouble-promotion -Wimplicit-fallthrough)
  if(VIDORRA_WERROR)
    list(APPEND VIDORRA_WARNING_FLAGS -Werror)
  endif()
endif()

function(vidorra_set_warnings target)
  target_compile_options(${target} PRIVATE ${VIDORRA_WARNING_FLAGS})
endfunction()

if(VIDORRA_SANITIZE)
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_san})
  add_link_options(-fsanitize=address,undefined)
endif()

# VIDORRA_FUZZ: the libFuzzer targets in fuzz/ (clang only). Every object of
# the tree gets the fuzzer's coverage instrumentation with AddressSanitizer and
# UndefinedBehaviorSanitizer, so that the code under test reports what it
# reaches; the fuzz targets alone link libFuzzer's main.
if(VIDORRA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VIDORRA_FUZZ needs clang (the fuzz preset uses clang-14)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Shared libraries are linked with every symbol resolved (--no-undefined),
# except where clang's sanitizers are on: clang links its sanitizer runtime
# into programs only, and a shared library finds it in the program at load
# time. For the same reason a C program that loads a C++ library carries the C++
# part of that runtime.
set(VIDORRA_SHARED_NO_UNDEFINED -Wl,--no-undefined)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND (VIDORRA_SANITIZE OR VIDORRA_FUZZ))
  set(VIDORRA_SHARED_NO_UNDEFINED)
  add_link_options("$<$<LINK_LANGUAGE:C>:-fsanitize-link-c++-runtime;-lstdc++>")
endif()

# The Windows release is compiled with debug information, which is split off
# into the symbols archive when the shipped binaries are stripped
# (Packaging.cmake).
if(WIN32 AND CMAKE_BUILD_TYPE STREQUAL "Release")
  add_compile_options(-g)
endif()

if(VIDORRA_TSAN)
  if(VIDORRA_SANITIZE)
    message(FATAL_ERROR "VIDORRA_TSAN and VIDORRA_SANITIZE cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
