// A file embedded into the program at build time (cmake/EmbedFiles.cmake).
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace vidorra {

struct TEmbeddedFile {
  std::string_view name;  // the file name, without folders
  const unsigned char* data;
  std::size_t size;
};

}  // namespace vidorra
