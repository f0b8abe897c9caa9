// Files and folders, with UTF-16 paths.
#pragma once

#include <string>

namespace platform {

// True only when `path` names an existing regular file (after following
// symbolic links); false for a folder, anything else, and on every failure.
bool FileExists(const std::u16string& path) noexcept;

// Makes `folder` the process's current directory. False on failure.
bool ChangeCurrentDirectory(const std::u16string& folder) noexcept;

}  // namespace platform
