# Windows test programs run under Wine as CTest tests (label "wine"): a 32-bit
# build under wine32 in a win32 prefix, a 64-bit build under wine64 in a win64
# prefix. The architecture is written beside the prefix (wine/arch), where the
# scripts in scripts/wine read it.
#
# Every ctest run starts with a fresh wine prefix inside the build folder
# (fixture "wine": test wine.prefix.start) and ends by stopping its wineserver
# (wine.prefix.stop). Tests are run by scripts/wine/run-test.sh, which bounds
# each run in time and always judges it by its output as well as its exit code.
#
# vidorra_add_wine_test(<name>
#     COMMAND <target or path> [args...]
#     [GTEST]                   a googletest program: some test passed, none failed
#     [EXPECT <regex>...]       lines that standard output must contain
#     [DEBUG_OUTPUT <file>]     the program's OutputDebugStringA texts, exactly
#     [DEBUGGER]                run under debugcapture (texts readable in-process)
#     [EXIT_CODE <n>] [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value>...])
#
# Arguments and environment values reach the Windows program unchanged; use
# vidorra_wine_path() to turn a path of this machine into one it can open.

set(VIDORRA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine/prefix)
set(_vidorra_wine_scripts ${PROJECT_SOURCE_DIR}/scripts/wine)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VIDORRA_WINEARCH win32)
else()
  set(VIDORRA_WINEARCH win64)
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine/arch CONTENT "${VIDORRA_WINEARCH}\n")

function(vidorra_wine_path out path)
  string(REPLACE "/" "\\" windows "${path}")
  set(${out} "Z:${windows}" PARENT_SCOPE)
endfunction()

function(vidorra_add_wine_test name)
  cmake_parse_arguments(ARG "GTEST;DEBUGGER" "DEBUG_OUTPUT;EXIT_CODE;TIMEOUT" "COMMAND;EXPECT;ENVIRONMENT" ${ARGN})
  if(NOT ARG_COMMAND)
    message(FATAL_ERROR "vidorra_add_wine_test(${name}): COMMAND missing")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  list(POP_FRONT ARG_COMMAND program)
  if(TARGET ${program})
    set(program $<TARGET_FILE:${program}>)
  endif()

  set(checks --timeout ${ARG_TIMEOUT})
  if(ARG_GTEST)
    list(APPEND checks --gtest)
  endif()
  foreach(regex IN LISTS ARG_EXPECT)
    list(APPEND checks --expect ${regex})
  endforeach()
  if(ARG_DEBUG_OUTPUT)
    list(APPEND checks --debug-output ${ARG_DEBUG_OUTPUT})
  endif()
  if(ARG_DEBUGGER)
    list(APPEND checks --debugger)
  endif()
  if(DEFINED ARG_EXIT_CODE)
    list(APPEND checks --exit-code ${ARG_EXIT_CODE})
  endif()

  add_test(NAME ${name}
    COMMAND bash ${_vidorra_wine_scripts}/run-test.sh ${VIDORRA_WINE_PREFIX} ${checks} -- ${program} ${ARG_COMMAND})
  math(EXPR ctest_limit "${ARG_TIMEOUT} + 30")
  set_tests_properties(${name} PROPERTIES
    LABELS wine
    FIXTURES_REQUIRED wine
    TIMEOUT ${ctest_limit}
    ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()

add_test(NAME wine.prefix.start COMMAND bash ${_vidorra_wine_scripts}/prefix.sh start ${VIDORRA_WINE_PREFIX})
add_test(NAME wine.prefix.stop COMMAND bash ${_vidorra_wine_scripts}/prefix.sh stop ${VIDORRA_WINE_PREFIX})
set_tests_properties(wine.prefix.start PROPERTIES LABELS wine FIXTURES_SETUP wine TIMEOUT 400)
set_tests_properties(wine.prefix.stop PROPERTIES LABELS wine FIXTURES_CLEANUP wine TIMEOUT 60)

# The debugger loop that DEBUG_OUTPUT and DEBUGGER run programs under.
add_executable(debugcapture ${PROJECT_SOURCE_DIR}/tests/windows/DebugCapture.cpp)
vidorra_set_warnings(debugcapture)
