# The real MediaInfo.dll of the Windows builds: built from the distribution's
# source packages by scripts/windows/build-mediainfo.sh and cached outside the
# build tree. It is copied to bin/ beside libMetaScope.dll, where the library's
# LoadLibraryA("MediaInfo.dll") finds it, and installed with its licence texts.
#
# Without the DLL the build still works: bin/ then has no MediaInfo.dll and the
# tests against it report themselves as not run.
#
# Sets VIDORRA_HAVE_MEDIAINFO_DLL (ON/OFF) and the target mediainfo_dll.

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_mediainfo_arch i686)
else()
  set(_mediainfo_arch x86_64)
endif()

if(NOT DEFINED CACHE{VIDORRA_MEDIAINFO_DLL})
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/windows/build-mediainfo.sh --print-dir ${_mediainfo_arch}
    OUTPUT_VARIABLE _mediainfo_dir
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _mediainfo_result)
  if(_mediainfo_result EQUAL 0)
    set(_mediainfo_default ${_mediainfo_dir}/MediaInfo.dll)
  else()
    set(_mediainfo_default "")
  endif()
  set(VIDORRA_MEDIAINFO_DLL "${_mediainfo_default}" CACHE FILEPATH
    "MediaInfo.dll for this Windows build (made by scripts/windows/build-mediainfo.sh)")
endif()

set(VIDORRA_HAVE_MEDIAINFO_DLL OFF)
if(VIDORRA_MEDIAINFO_DLL AND EXISTS "${VIDORRA_MEDIAINFO_DLL}")
  set(VIDORRA_HAVE_MEDIAINFO_DLL ON)
  get_filename_component(_mediainfo_dir "${VIDORRA_MEDIAINFO_DLL}" DIRECTORY)
  message(STATUS "MediaInfo.dll: ${VIDORRA_MEDIAINFO_DLL}")

  set(_mediainfo_copy ${CMAKE_BINARY_DIR}/bin/MediaInfo.dll)
  add_custom_command(OUTPUT ${_mediainfo_copy}
    COMMAND ${CMAKE_COMMAND} -E copy ${VIDORRA_MEDIAINFO_DLL} ${_mediainfo_copy}
    DEPENDS ${VIDORRA_MEDIAINFO_DLL}
    COMMENT "Placing MediaInfo.dll beside libMetaScope.dll")
  add_custom_target(mediainfo_dll ALL DEPENDS ${_mediainfo_copy})

  install(FILES ${VIDORRA_MEDIAINFO_DLL} DESTINATION .)
  file(GLOB _mediainfo_licences "${_mediainfo_dir}/*-LICENSE.txt")
  install(FILES ${_mediainfo_licences} DESTINATION licenses)
else()
  message(STATUS "MediaInfo.dll: not found (${VIDORRA_MEDIAINFO_DLL}); the tests against it "
                 "will not run. Make it with: scripts/windows/build-mediainfo.sh ${_mediainfo_arch}")
  add_custom_target(mediainfo_dll)
endif()
