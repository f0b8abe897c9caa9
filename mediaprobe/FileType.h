// Media kind of a file, decided by the extension of its path alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace metascope {

enum : std::int32_t { kFileTypeImage = 0, kFileTypeAudio = 1, kFileTypeVideo = 2 };

// The kind for the path's extension (the text from the last "." to the end,
// directory separators included, ASCII case ignored), or -1 when the path has
// no "." or the extension is not one of the 25 accepted ones.
std::int32_t ClassifyPath(const char* path) noexcept;

// The accepted extensions, each with its leading ".", in lower case, in the
// order ClassifyPath tests them: index 0 to AcceptedExtensionCount() - 1.
std::size_t AcceptedExtensionCount() noexcept;
std::string_view AcceptedExtension(std::size_t index) noexcept;

}  // namespace metascope
