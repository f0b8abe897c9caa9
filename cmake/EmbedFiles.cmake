# Embeds files into a program as byte arrays, at build time.
#
# vidorra_embed_files(<target> NAME <name> FILES <file>...)
#   Generates <name>.cpp in the build folder, defining
#     const vidorra::TEmbeddedFile* vidorra::Find<name>(std::string_view fileName);
#   (declared in cmake/EmbeddedFile.h) which returns the bytes of the file of
#   that name (without folders), or null; and adds it to <target>. The source
#   is generated again whenever one of the files changes.
#
# Script mode (what the build runs):
#   cmake -DOUTPUT=<cpp> -DNAME=<name> -DFILES=<a;b;...> -P EmbedFiles.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  set(_body "// Generated from the files below by cmake/EmbedFiles.cmake: do not edit.\n")
  string(APPEND _body "#include \"cmake/EmbeddedFile.h\"\n\n#include <array>\n\nnamespace vidorra {\nnamespace {\n")
  set(_table "")
  set(_index 0)
  foreach(_file IN LISTS FILES)
    get_filename_component(_base "${_file}" NAME)
    file(READ "${_file}" _hex HEX)
    string(LENGTH "${_hex}" _hexLength)
    math(EXPR _size "${_hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
    # One line per 32 bytes keeps the generated file readable.
    string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n  " _bytes "${_bytes}")
    string(APPEND _body "// ${_base}\nconst unsigned char kData${_index}[${_size}] = {\n  ${_bytes}\n};\n")
    string(APPEND _table "    TEmbeddedFile{\"${_base}\", kData${_index}, ${_size}},\n")
    math(EXPR _index "${_index} + 1")
  endforeach()
  string(APPEND _body "\nconst std::array<TEmbeddedFile, ${_index}> kFiles = {\n${_table}};\n\n}  // namespace\n\n")
  string(APPEND _body "const TEmbeddedFile* Find${NAME}(std::string_view fileName) {\n")
  string(APPEND _body "  for (const TEmbeddedFile& file : kFiles)\n    if (file.name == fileName) return &file;\n  return nullptr;\n}\n\n")
  string(APPEND _body "std::span<const TEmbeddedFile> All${NAME}() { return kFiles; }\n\n}  // namespace vidorra\n")
  file(WRITE "${OUTPUT}.tmp" "${_body}")
  file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUTPUT}.tmp")
  return()
endif()

function(vidorra_embed_files target)
  cmake_parse_arguments(ARG "" "NAME" "FILES" ${ARGN})
  set(_out "${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.cpp")
  add_custom_command(
    OUTPUT "${_out}"
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${_out} -DNAME=${ARG_NAME} "-DFILES=${ARG_FILES}"
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFiles.cmake"
    DEPENDS ${ARG_FILES} "${PROJECT_SOURCE_DIR}/cmake/EmbedFiles.cmake"
    COMMENT "Embedding ${ARG_NAME}"
    VERBATIM)
  target_sources(${target} PRIVATE "${_out}")
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
