# Cross build for Windows with MinGW-w64, shared by the two toolchain files.
# They set VIDORRA_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and
# include this file.
#
# The posix-thread flavour of the compilers is used: it has std::thread and
# std::mutex. Everything is linked with -static, so the programs and DLLs need
# no MinGW runtime DLL (libgcc, libstdc++, winpthread) beside them; they import
# only system DLLs.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${VIDORRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VIDORRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VIDORRA_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${VIDORRA_MINGW_TRIPLE}-dlltool)
set(CMAKE_OBJDUMP ${VIDORRA_MINGW_TRIPLE}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VIDORRA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
