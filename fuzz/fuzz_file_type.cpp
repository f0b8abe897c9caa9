// ClassifyPath on any bytes of any length, checked against the list of
// accepted extensions: the kind is decided by the text from the last "." of
// the path (up to its first NUL) to its end, ASCII case ignored; anything
// else is -1. Flipping the ASCII case of any letter never changes the kind.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FileType.h"
#include "FuzzCheck.h"

namespace {

struct Kind {
  const char* extension;
  std::int32_t kind;
};

constexpr Kind kKinds[] = {
    {"png", 0},  {"jpg", 0},  {"bmp", 0},  {"jpeg", 0}, {"m4a", 1},  {"aac", 1},  {"mp3", 1},
    {"wma", 1},  {"wav", 1},  {"avi", 2},  {"asf", 2},  {"mp4", 2},  {"xvid", 2}, {"mov", 2},
    {"mpg1", 2}, {"mpg2", 2}, {"rmvb", 2}, {"amv", 2},  {"divx", 2}, {"mtv", 2},  {"3gp", 2},
    {"flv", 2},  {"swf", 2},  {"mkv", 2},  {"mpg", 2},
};

std::int32_t ExpectedKind(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return -1;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  for (const Kind& k : kKinds) {
    if (extension == k.extension) return k.kind;
  }
  return -1;
}

std::string FlipCase(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The path is a C string: it ends at the input's first NUL, or its end.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string path(bytes.c_str());

  const std::int32_t kind = metascope::ClassifyPath(bytes.c_str());
  FUZZ_CHECK(kind == ExpectedKind(path));
  FUZZ_CHECK(metascope::ClassifyPath(FlipCase(path).c_str()) == kind);
  // A folder in front of the name never matters; a "." after it always does.
  FUZZ_CHECK(metascope::ClassifyPath(("x.mp4/" + path).c_str()) == (path.find('.') == std::string::npos ? -1 : kind));
  FUZZ_CHECK(metascope::ClassifyPath((path + ".").c_str()) == -1);
  FUZZ_CHECK(metascope::ClassifyPath(nullptr) == -1);
  return 0;
}
