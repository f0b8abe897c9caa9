#include "launcher/DLLExportFunc.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace launcher {

namespace {
constexpr std::size_t kLengthUnits = sizeof(std::int32_t) / sizeof(char16_t);
}  // namespace

TLibraryText::TLibraryText(std::u16string_view text) {
  if (text.empty()) return;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw std::length_error("text too long for the update-service library");
  const auto length = static_cast<std::int32_t>(text.size());
  // std::allocator storage is aligned for any fundamental type, so the
  // length at the start of the buffer is a properly aligned int32_t.
  buffer_.resize(kLengthUnits + text.size() + 1);
  std::memcpy(buffer_.data(), &length, sizeof length);
  std::memcpy(buffer_.data() + kLengthUnits, text.data(), text.size() * sizeof(char16_t));
  buffer_.back() = u'\0';
}

const char16_t* TLibraryText::Pointer() const noexcept {
  return buffer_.empty() ? nullptr : buffer_.data() + kLengthUnits;
}

std::u16string CopyLibraryText(const char16_t* text) {
  if (text == nullptr) return {};
  std::int32_t length = 0;
  std::memcpy(&length, text - kLengthUnits, sizeof length);
  if (length < 1) return {};
  return std::u16string(text, static_cast<std::size_t>(length));
}

}  // namespace launcher
