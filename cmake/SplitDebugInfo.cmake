# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged install folder, before
# it is packed: every program and DLL there that carries debug information
# keeps it in <file>.debug, is stripped, and gets a .gnu_debuglink section
# naming that file with its CRC-32. The .debug files go into the symbols zip
# (CPACK_VIDORRA_SYMBOLS_ZIP) at the same paths.
#
# CPack stages the folder once per generator (zip, setup program), and objcopy
# stamps the time into every PE file it writes: splitting twice would give two
# packages whose binaries link to different .debug files. So each binary is
# split once, into CPACK_VIDORRA_SPLIT_DIR, keyed by the SHA-256 of the
# unstripped file; a later run with the same file takes the same results.

set(_objcopy "${CPACK_VIDORRA_OBJCOPY}")
set(_objdump "${CPACK_VIDORRA_OBJDUMP}")
set(_staged "${CPACK_TEMPORARY_DIRECTORY}")
set(_split "${CPACK_VIDORRA_SPLIT_DIR}")
if(NOT IS_DIRECTORY "${_staged}" OR NOT _objcopy OR NOT _objdump OR NOT _split)
  message(FATAL_ERROR "SplitDebugInfo: no staged folder ('${_staged}'), objcopy, objdump or split folder")
endif()

file(GLOB_RECURSE _binaries RELATIVE "${_staged}" "${_staged}/*.exe" "${_staged}/*.dll")
list(SORT _binaries)
set(_debug_files)
foreach(_file IN LISTS _binaries)
  set(_path "${_staged}/${_file}")
  set(_kept "${_split}/${_file}")
  file(SHA256 "${_path}" _hash)
  set(_known_hash)
  if(EXISTS "${_kept}.sha256" AND EXISTS "${_kept}" AND EXISTS "${_kept}.debug")
    file(READ "${_kept}.sha256" _known_hash)
  endif()

  if(NOT _known_hash STREQUAL _hash)
    execute_process(COMMAND "${_objdump}" -h "${_path}"
      OUTPUT_VARIABLE _sections RESULT_VARIABLE _result)
    if(NOT _result EQUAL 0)
      message(FATAL_ERROR "SplitDebugInfo: ${_objdump} -h ${_file} failed")
    endif()
    if(NOT _sections MATCHES "\\.debug_info")
      continue()
    endif()
    get_filename_component(_name "${_file}" NAME)
    get_filename_component(_folder "${_kept}" DIRECTORY)
    file(REMOVE "${_kept}.sha256")
    file(MAKE_DIRECTORY "${_folder}")
    file(COPY_FILE "${_path}" "${_kept}")
    # --add-gnu-debuglink reads the .debug file to checksum it and records
    # only its name: run in the binary's folder.
    execute_process(
      COMMAND "${_objcopy}" --only-keep-debug "${_name}" "${_name}.debug"
      COMMAND_ERROR_IS_FATAL ANY
      WORKING_DIRECTORY "${_folder}")
    execute_process(
      COMMAND "${_objcopy}" --strip-all --add-gnu-debuglink=${_name}.debug "${_name}"
      COMMAND_ERROR_IS_FATAL ANY
      WORKING_DIRECTORY "${_folder}")
    file(WRITE "${_kept}.sha256" "${_hash}")
  endif()

  file(COPY_FILE "${_kept}" "${_path}")
  list(APPEND _debug_files "${_file}.debug")
endforeach()

if(NOT _debug_files)
  message(FATAL_ERROR "SplitDebugInfo: no binary in ${_staged} carries debug information")
endif()
set(_zip "${CPACK_VIDORRA_SYMBOLS_ZIP}")
file(REMOVE "${_zip}.part")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E tar cf "${_zip}.part" --format=zip -- ${_debug_files}
  COMMAND_ERROR_IS_FATAL ANY
  WORKING_DIRECTORY "${_split}")
file(RENAME "${_zip}.part" "${_zip}")
list(LENGTH _debug_files _count)
message(STATUS "SplitDebugInfo: ${_count} binaries stripped, their debug information in ${_zip}")
