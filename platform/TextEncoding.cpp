#include "platform/TextEncoding.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // byte b (0x80..0xFF) <-> U+DC00 + b
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one well-formed UTF-8 sequence at text[pos]. Returns its length,
// or 0 when the bytes there are not a well-formed sequence (overlong forms,
// encoded surrogates and values above U+10FFFF are not well-formed).
std::size_t DecodeSequence(std::string_view text, std::size_t pos, char32_t& code) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t min = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    min = 0x80;
    code = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    min = 0x800;
    code = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    min = 0x10000;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - pos < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(byte)) return 0;
    code = (code << 6) | (byte & 0x3Fu);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t code = 0;
    const std::size_t length = DecodeSequence(text, pos, code);
    if (length == 0) {
      out += static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[pos]));
      ++pos;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    pos += length;
  }
  return out;
}

std::u32string CodePointsFromUtf16(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char16_t unit = text[pos];
    if (unit >= 0xD800 && unit <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] <= 0xDFFF) {
      out += 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (static_cast<char32_t>(text[pos + 1]) - 0xDC00);
      ++pos;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += kReplacement;
    } else {
      out += unit;
    }
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char16_t unit = text[pos];
    if (unit >= 0xD800 && unit <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
        text[pos + 1] <= 0xDFFF) {
      const char32_t code = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                            (static_cast<char32_t>(text[pos + 1]) - 0xDC00);
      AppendUtf8(out, code);
      ++pos;
    } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
      out += static_cast<char>(static_cast<unsigned char>(unit - kEscapeBase));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace platform
