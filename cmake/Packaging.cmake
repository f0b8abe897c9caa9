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

# The setup program: installs to "Program Files\Vidorra" (/D= overrides) for
# all users, writes the uninstall entry
# HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vidorra and a
# Start-menu folder "Vidorra" with the launcher's shortcut. /S runs the setup
# program and the uninstaller silently.
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vidorra)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vidorra)
set(CPACK_NSIS_DISPLAY_NAME Vidorra)
set(CPACK_NSIS_PACKAGE_NAME Vidorra)
set(CPACK_NSIS_INSTALLED_ICON_NAME VidorraMain.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/launcher/pictures/VidorraMain.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/launcher/pictures/VidorraMain.ico)
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
if(_vidorra_system STREQUAL "win64")
  # A 64-bit setup program for the 64-bit build (installs to the 64-bit
  # "Program Files", writes the 64-bit registry view).
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
endif()
# A second install over an existing one removes the old one first (silently
# under /S).
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The shortcut points at the launcher in the install folder itself (the
# generator's own shortcut list assumes a bin\ folder).
set(CPACK_NSIS_CREATE_ICONS_EXTRA
  "CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\Vidorra.lnk' '$INSTDIR\\VidorraMain.exe'")
# The generator's uninstaller removes its Start-menu key Software\Vidorra\Vidorra
# but not the (then empty) Software\Vidorra above it.
set(CPACK_NSIS_DELETE_ICONS_EXTRA
  "Delete '$SMPROGRAMS\\$MUI_TEMP\\Vidorra.lnk'\nDeleteRegKey /ifempty SHCTX 'Software\\Vidorra'")
# Before any file goes: the launcher removes its update check from the update
# service, and the uninstaller waits for it to end.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
  "IfFileExists '$INSTDIR\\VidorraMain.exe' 0 +2\n  ExecWait '\"$INSTDIR\\VidorraMain.exe\" -uninstall'")
include(CPack)

# ---------------------------------------------------------------------------
# Tests of the packages. windows.package makes them with cpack, as a user
# would; the others read what it made. The setup program's round trip runs for
# both builds: the 32-bit one under 32-bit Wine, the 64-bit one under wine64
# (the same installer script, reachable on machines that cannot run 32-bit
# programs).

set(VIDORRA_RELEASE_ZIP ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${_vidorra_system}.zip)
set(VIDORRA_SETUP_EXE ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${_vidorra_system}.exe)
if(VIDORRA_BUILD_TESTS)
  add_test(NAME windows.package
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake -G "ZIP;NSIS"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(windows.package PROPERTIES
    LABELS package
    FIXTURES_SETUP windows.packages
    RESOURCE_LOCK windows.packages
    TIMEOUT 600)

  # In a prefix and with a wineserver of its own, so it may run beside the
  # other wine tests.
  add_test(NAME windows.installer
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/windows/installer-test.sh ${_vidorra_system}
            ${CMAKE_BINARY_DIR}/installer-test ${VIDORRA_SETUP_EXE} ${VIDORRA_RELEASE_ZIP})
  set_tests_properties(windows.installer PROPERTIES
    LABELS "wine;package"
    FIXTURES_REQUIRED windows.packages
    SKIP_RETURN_CODE 77
    TIMEOUT 400)

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
