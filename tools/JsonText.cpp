#include "JsonText.h"

#include <charconv>
#include <cmath>

namespace metascope::tool {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when
// it starts with an ill-formed one; `bad` is then the length of its maximal
// ill-formed prefix (at least 1), which stands for one U+FFFD.
std::size_t WellFormedLength(std::string_view s, std::size_t& bad) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t length;
  unsigned char low = 0x80;   // allowed range of the second byte
  unsigned char high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;        // no overlong forms
    if (lead == 0xED) high = 0x9F;       // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;        // no overlong forms
    if (lead == 0xF4) high = 0x8F;       // nothing above U+10FFFF
  } else {
    bad = 1;
    return 0;
  }
  std::size_t i = 1;
  for (; i < length && i < s.size(); ++i) {
    const unsigned char c = byte(i);
    const unsigned char lo = i == 1 ? low : 0x80;
    const unsigned char hi = i == 1 ? high : 0xBF;
    if (c < lo || c > hi) break;
  }
  if (i == length) return length;
  bad = i;
  return 0;
}

void AppendEscapedControl(std::string& out, unsigned char c) {
  switch (c) {
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  constexpr char kHex[] = "0123456789abcdef";
  out += "\\u00";
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

}  // namespace

std::string JsonQuote(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out += '"';
  while (!bytes.empty()) {
    const unsigned char c = static_cast<unsigned char>(bytes.front());
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      bytes.remove_prefix(1);
      continue;
    }
    if (c < 0x20 || c == 0x7F) {
      AppendEscapedControl(out, c);
      bytes.remove_prefix(1);
      continue;
    }
    std::size_t bad = 0;
    const std::size_t good = WellFormedLength(bytes, bad);
    if (good > 0) {
      out.append(bytes.substr(0, good));
      bytes.remove_prefix(good);
    } else {
      out += kReplacement;
      bytes.remove_prefix(bad);
    }
  }
  out += '"';
  return out;
}

void JsonObjectLine::Key(std::string_view key) {
  if (text_.size() > 1) text_ += ',';
  text_ += JsonQuote(key);
  text_ += ':';
}

JsonObjectLine& JsonObjectLine::Add(std::string_view key, std::string_view text) {
  Key(key);
  text_ += JsonQuote(text);
  return *this;
}

JsonObjectLine& JsonObjectLine::Add(std::string_view key, std::int64_t number) {
  Key(key);
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  text_.append(buffer, result.ptr);
  return *this;
}

JsonObjectLine& JsonObjectLine::Add(std::string_view key, double number) {
  Key(key);
  if (!std::isfinite(number)) {
    text_ += "null";
    return *this;
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  text_.append(buffer, result.ptr);
  return *this;
}

}  // namespace metascope::tool
