# The Windows install folder, its zip and its setup program (CPack, ZIP and
# NSIS generators):
#   cmake --build --preset windows-i686 && cpack --preset windows-i686
# gives build/windows-i686/Vidorra-<version>-win32.zip and
# Vidorra-<version>-win32.exe. Programs and DLLs sit at the top of the folder:
# the launcher's install folder (component "launcher": VidorraMain.exe,
# Tavrel.dll, QBStart.exe, Core\) and libMetaScope.dll with its command-line
# tool; sdk/ holds what callers of libMetaScope.dll build with.
#
# The packaged programs and DLLs are stripped; their debug information (the
# Release build is compiled with -g too, see ProjectOptions.cmake)
# goes to Vidorra-<version>-<system>-symbols.zip beside the packages, as
# <file>.debug laid out like the install folder (unpacked over it, a debugger
# finds each .debug beside its binary through its .gnu_debuglink section).

install(TARGETS MetaScope metascope
  RUNTIME DESTINATION .
  ARCHIVE DESTINATION sdk/lib)
install(FILES ${PROJECT_SOURCE_DIR}/mediaprobe/include/libMetaScopeSDK.h DESTINATION sdk/include)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_vidorra_system win32)
else()
  set(_vidorra_system win64)
endif()

# ---------------------------------------------------------------------------
# Stripping and the symbols archive: done by CPack on its staged copy of the
# install folder (SplitDebugInfo.cmake), so the zip and the setup program
# ship stripped binaries while bin/ keeps them whole for debugging in place.

set(VIDORRA_SYMBOLS_ZIP ${CMAKE_BINARY_DIR}/Vidorra-${PROJECT_VERSION}-${_vidorra_system}-symbols.zip)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/SplitDebugInfo.cmake)
set(CPACK_VIDORRA_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_VIDORRA_OBJDUMP ${CMAKE_OBJDUMP})
set(CPACK_VIDORRA_SYMBOLS_ZIP ${VIDORRA_SYMBOLS_ZIP})
set(CPACK_VIDORRA_SPLIT_DIR ${CMAKE_BINARY_DIR}/split-debug)

# The project's own binaries, as paths inside the install folder (for the
# tests below; each must ship stripped with its .debug in the symbols zip).
set(VIDORRA_SHIPPED_FILES)
foreach(_target VidorraMain Tavrel QBStart StandinVidorra StandinSnipwell MetaScope metascope)
  get_target_property(_output_dir ${_target} RUNTIME_OUTPUT_DIRECTORY)
  set(_sub)
  if(_output_dir)
    file(RELATIVE_PATH _sub ${CMAKE_BINARY_DIR}/bin ${_output_dir})
  endif()
  if(_sub)
    list(APPEND VIDORRA_SHIPPED_FILES "${_sub}/$<TARGET_FILE_NAME:${_target}>")
  else()
    list(APPEND VIDORRA_SHIPPED_FILES "$<TARGET_FILE_NAME:${_target}>")
  endif()
endforeach()

# ---------------------------------------------------------------------------
# CPack: the zip and the setup program.

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Vidorra)
set(CPACK_PACKAGE_VENDOR Vidorra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME ${_vidorra_system})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The NSIS lines below reach the setup program's script as written here.
set(CPACK_VERBATIM_VARIABLES ON)
# Everything the install tree holds, as one package (no component page).
set(CPACK_MONOLITHIC_INSTALL ON)

# The setup program (our own script, cmake/nsis/NSIS.template.in): installs
# for all users to "Program Files\Vidorra" (/D= overrides): the 64-bit build
# to the 64-bit folder, with every registry key in the 64-bit view; the 32-bit
# build to the 32-bit folder and view ("Program Files (x86)" and WOW6432Node
# on 64-bit Windows). It writes the uninstall entry
# HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vidorra and a
# Start-menu folder "Vidorra" with the launcher's shortcut. An existing
# installation is removed first with its own uninstaller. While Vidorra runs
# (a launcher holds the mark CPACK_VIDORRA_RUNNING_MUTEX, or a program of the
# folder runs), neither the setup program nor the uninstaller changes
# anything: they ask to close it (Retry, Cancel), or under /S end at once with
# exit code 2.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vidorra)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vidorra)
set(CPACK_NSIS_DISPLAY_NAME Vidorra)
set(CPACK_NSIS_PACKAGE_NAME Vidorra)
set(CPACK_NSIS_INSTALLED_ICON_NAME VidorraMain.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/launcher/pictures/VidorraMain.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/launcher/pictures/VidorraMain.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The name platform/windows/RunningMark.cpp gives the launcher's mark.
set(CPACK_VIDORRA_RUNNING_MUTEX "Global\\VidorraMain")
# Unicode setup programs in both builds, for the Chinese texts.
if(_vidorra_system STREQUAL "win64")
  set(CPACK_VIDORRA_NSIS_TARGET amd64-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_VIDORRA_SET_REGISTRY_VIEW "SetRegView 64")
else()
  set(CPACK_VIDORRA_NSIS_TARGET x86-unicode)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
  # The setup program's own view, the 32-bit one.
  set(CPACK_VIDORRA_SET_REGISTRY_VIEW "")
endif()
include(CPack)

# ---------------------------------------------------------------------------
# Tests of the packages. windows.package makes them with cpack, as a user
# would; the others read what it made. The setup program's round trip runs for
# both builds under Wine, each in a prefix of its own architecture (the 32-bit
# build under 32-bit Wine); the 32-bit build also in a 64-bit prefix, where it
# belongs in "Program Files (x86)" and the 32-bit registry view. Where and in
# which view the setup program installs is also read from its script, which
# any machine can check.

set(VIDORRA_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${_vidorra_system}.zip)
set(VIDORRA_SETUP_EXE ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${_vidorra_system}.exe)
set(VIDORRA_SETUP_SCRIPT ${CMAKE_BINARY_DIR}/_CPack_Packages/${_vidorra_system}/NSIS/project.nsi)
if(VIDORRA_BUILD_TESTS)
  add_test(NAME windows.package
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -G "ZIP;NSIS"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(windows.package PROPERTIES
    LABELS package
    FIXTURES_SETUP windows.packages
    RESOURCE_LOCK windows.packages
    TIMEOUT 600)

  add_test(NAME windows.setup_script
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/setup-script-test.sh ${_vidorra_system}
            ${VIDORRA_SETUP_SCRIPT})
  set_tests_properties(windows.setup_script PROPERTIES
    LABELS package
    FIXTURES_REQUIRED windows.packages
    TIMEOUT 60)

  # Each in a prefix, with a wineserver and an Xvfb display of its own, so
  # they may run beside the other wine tests.
  set(_installer_prefixes ${_vidorra_system})
  if(_vidorra_system STREQUAL "win32")
    list(APPEND _installer_prefixes win64)
  endif()
  foreach(_prefix IN LISTS _installer_prefixes)
    if(_prefix STREQUAL _vidorra_system)
      set(_name windows.installer)
      set(_work ${CMAKE_BINARY_DIR}/installer-test)
    else()
      set(_name windows.installer_${_prefix})
      set(_work ${CMAKE_BINARY_DIR}/installer-test-${_prefix})
    endif()
    add_test(NAME ${_name}
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/installer-test.sh ${_vidorra_system} ${_prefix}
              ${_work} ${VIDORRA_SETUP_EXE} ${VIDORRA_RELEASE_ZIP})
    set_tests_properties(${_name} PROPERTIES
      LABELS "wine;package;gui"
      FIXTURES_REQUIRED windows.packages
      SKIP_RETURN_CODE 77
      TIMEOUT 900)
  endforeach()

  # The packaged binaries are stripped, their debug information in the symbols zip.
  add_test(NAME windows.symbols
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/symbols-test.sh ${CMAKE_OBJDUMP}
            ${VIDORRA_RELEASE_ZIP} ${VIDORRA_SYMBOLS_ZIP} ${CMAKE_BINARY_DIR}/symbols-test
            ${VIDORRA_SHIPPED_FILES})
  set_tests_properties(windows.symbols PROPERTIES
    LABELS package
    FIXTURES_REQUIRED windows.packages
    TIMEOUT 120)
endif()
