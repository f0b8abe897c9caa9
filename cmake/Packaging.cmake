# The Windows install folder and its zip (CPack, ZIP generator):
#   cmake --build --preset windows-i686 && cpack --preset windows-i686
# gives build/windows-i686/Vidorra-<version>-win32.zip. Programs and DLLs sit at
# the top of the folder: the launcher's install folder (component "launcher":
# VidorraMain.exe, Tavrel.dll, QBStart.exe, Core\) and libMetaScope.dll with
# its command-line tool; sdk/ holds what callers of libMetaScope.dll build with.

install(TARGETS MetaScope metascope
  RUNTIME DESTINATION .
  ARCHIVE DESTINATION sdk/lib)
install(FILES ${PROJECT_SOURCE_DIR}/mediaprobe/include/libMetaScopeSDK.h DESTINATION sdk/include)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Vidorra)
set(CPACK_PACKAGE_VENDOR Vidorra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
