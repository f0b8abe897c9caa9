#include "FileType.h"

#include <cstring>
#include <iterator>
#include <string_view>

namespace metascope {
namespace {

struct ExtensionEntry {
  std::string_view extension;
  std::int32_t fileType;
};

// Tested in this order; the first match decides.
constexpr ExtensionEntry kExtensions[] = {
    {".png", kFileTypeImage},  {".jpg", kFileTypeImage},  {".bmp", kFileTypeImage},
    {".jpeg", kFileTypeImage}, {".m4a", kFileTypeAudio},  {".aac", kFileTypeAudio},
    {".mp3", kFileTypeAudio},  {".wma", kFileTypeAudio},  {".wav", kFileTypeAudio},
    {".avi", kFileTypeVideo},  {".asf", kFileTypeVideo},  {".mp4", kFileTypeVideo},
    {".xvid", kFileTypeVideo}, {".mov", kFileTypeVideo},  {".mpg1", kFileTypeVideo},
    {".mpg2", kFileTypeVideo}, {".rmvb", kFileTypeVideo}, {".amv", kFileTypeVideo},
    {".divx", kFileTypeVideo}, {".mtv", kFileTypeVideo},  {".3gp", kFileTypeVideo},
    {".flv", kFileTypeVideo},  {".swf", kFileTypeVideo},  {".mkv", kFileTypeVideo},
    {".mpg", kFileTypeVideo},
};

char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::int32_t ClassifyPath(const char* path) noexcept {
  if (path == nullptr) return -1;
  const char* dot = std::strrchr(path, '.');
  if (dot == nullptr) return -1;
  const std::string_view extension(dot);
  for (const ExtensionEntry& entry : kExtensions) {
    if (EqualsIgnoringAsciiCase(extension, entry.extension)) return entry.fileType;
  }
  return -1;
}

std::size_t AcceptedExtensionCount() noexcept { return std::size(kExtensions); }

std::string_view AcceptedExtension(std::size_t index) noexcept {
  return index < std::size(kExtensions) ? kExtensions[index].extension : std::string_view();
}

}  // namespace metascope
