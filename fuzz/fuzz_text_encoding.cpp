// The conversions between UTF-8 and UTF-16 on any input, the bytes taken
// once as 8-bit text and once as UTF-16 (in pairs, low byte first):
// - every byte string comes back unchanged from a trip through UTF-16, and
//   its UTF-16 form has a lone surrogate only for a byte that is not part of
//   a well-formed sequence (U+DC80 to U+DCFF);
// - well-formed UTF-16 comes back unchanged from a trip through UTF-8, and
//   its UTF-8 form is well-formed;
// - any UTF-16 text gives UTF-8 that is stable: converting it to UTF-16 and
//   back again gives the same bytes; without units U+DC80 to U+DCFF that
//   UTF-8 is well-formed.
// The well-formedness checks below are written independently of the code
// under test.

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/TextEncoding.h"

namespace {

// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above
// U+10FFFF.
bool IsWellFormedUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (b0 <= 0x7F) {
      ++i;
      continue;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      n = 2;
    } else if (b0 == 0xE0) {
      n = 3, lo = 0xA0;
    } else if (b0 == 0xED) {
      n = 3, hi = 0x9F;
    } else if (b0 >= 0xE1 && b0 <= 0xEF) {
      n = 3;
    } else if (b0 == 0xF0) {
      n = 4, lo = 0x90;
    } else if (b0 >= 0xF1 && b0 <= 0xF3) {
      n = 4;
    } else if (b0 == 0xF4) {
      n = 4, hi = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i < n) return false;
    if (at(1) < lo || at(1) > hi) return false;
    for (std::size_t k = 2; k < n; ++k) {
      if (at(k) < 0x80 || at(k) > 0xBF) return false;
    }
    i += n;
  }
  return true;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

bool IsWellFormedUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i])) {
      if (i + 1 >= text.size() || !IsLow(text[i + 1])) return false;
      ++i;
    } else if (IsLow(text[i])) {
      return false;
    }
  }
  return true;
}

void CheckBytes(std::string_view bytes) {
  const std::u16string wide = platform::Utf16FromUtf8(bytes);
  FUZZ_CHECK(platform::Utf8FromUtf16(wide) == bytes);
  std::size_t escapes = 0;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (IsHigh(wide[i])) {
      FUZZ_CHECK(i + 1 < wide.size() && IsLow(wide[i + 1]));
      ++i;
    } else if (IsLow(wide[i])) {
      FUZZ_CHECK(IsEscape(wide[i]));
      ++escapes;
    }
  }
  FUZZ_CHECK((escapes == 0) == IsWellFormedUtf8(bytes));
}

void CheckWide(std::u16string_view wide) {
  const std::string bytes = platform::Utf8FromUtf16(wide);
  FUZZ_CHECK(platform::Utf8FromUtf16(platform::Utf16FromUtf8(bytes)) == bytes);
  bool anyEscape = false;
  for (char16_t c : wide) anyEscape = anyEscape || IsEscape(c);
  if (!anyEscape) FUZZ_CHECK(IsWellFormedUtf8(bytes));
  if (IsWellFormedUtf16(wide)) FUZZ_CHECK(platform::Utf16FromUtf8(bytes) == wide);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  std::u16string wide;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    wide += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  CheckWide(wide);
  return 0;
}
