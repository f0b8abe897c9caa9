#include "platform/FileSystem.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <new>

namespace platform {

bool FileExists(const std::u16string& path) noexcept {
  try {
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(windows::ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool ChangeCurrentDirectory(const std::u16string& folder) noexcept {
  try {
    if (folder.empty()) return false;
    return ::SetCurrentDirectoryW(windows::ToWide(folder).c_str()) != FALSE;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace platform
