// UTF-16 texts of the tree (char16_t) and of the Windows API (wchar_t, also
// 16 bits wide here): the same units, copied one by one, never reinterpreted.
#pragma once

#include <string>
#include <string_view>

namespace platform::windows {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows keeps UTF-16 in wchar_t");

inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace platform::windows
