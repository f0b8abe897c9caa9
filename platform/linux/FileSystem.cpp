#include "platform/FileSystem.h"

#include "platform/TextEncoding.h"

#include <sys/stat.h>
#include <unistd.h>

#include <new>

namespace platform {

bool FileExists(const std::u16string& path) noexcept {
  try {
    if (path.empty()) return false;
    struct stat info {};
    if (::stat(Utf8FromUtf16(path).c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ChangeCurrentDirectory(const std::u16string& folder) noexcept {
  try {
    if (folder.empty()) return false;
    return ::chdir(Utf8FromUtf16(folder).c_str()) == 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace platform
