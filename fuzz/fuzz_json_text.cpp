// metascope's JSON text on any bytes, read back by nlohmann-json's parser,
// which is strict where it matters here (RFC 8259: no raw control
// characters, no ill-formed UTF-8, no lone surrogate escapes, no leading
// zeros, nothing after the value):
// - JsonQuote(bytes) is exactly one string literal whose value is the bytes
//   when they are well-formed UTF-8, and otherwise the bytes with each
//   maximal ill-formed subsequence replaced by U+FFFD;
// - an object line with text, integer and floating-point members is one
//   line holding one object with exactly those members, in that order, and
//   values (a number that JSON cannot spell is null).

#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "FuzzCheck.h"
#include "JsonText.h"

namespace {

using Json = nlohmann::ordered_json;  // keeps the members in their order

// The one value that makes up the whole text; discarded when the text is
// not JSON (nothing is thrown).
Json Read(const std::string& text) { return Json::parse(text, nullptr, /*allow_exceptions=*/false); }

// ---- UTF-8: the value JsonQuote promises ---------------------------------

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The bytes as well-formed UTF-8: each maximal subpart of an ill-formed
// sequence (the longest start of a well-formed sequence, or one byte)
// becomes U+FFFD.
std::string Sanitised(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (b0 <= 0x7F) {
      out += static_cast<char>(b0);
      ++i;
      continue;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      n = 3;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      n = 4;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    }
    std::size_t k = 1;
    char32_t code = n == 2 ? (b0 & 0x1Fu) : n == 3 ? (b0 & 0x0Fu) : (b0 & 0x07u);
    while (n != 0 && k < n && i + k < text.size()) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      const unsigned char low = k == 1 ? lo : 0x80;
      const unsigned char high = k == 1 ? hi : 0xBF;
      if (b < low || b > high) break;
      code = (code << 6) | (b & 0x3Fu);
      ++k;
    }
    if (n != 0 && k == n) {
      AppendUtf8(out, code);
    } else {
      AppendUtf8(out, 0xFFFD);
    }
    i += k;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string message = input.ConsumeRandomLengthString(64);
  const auto integer = input.ConsumeIntegral<std::int64_t>();
  const auto real = input.ConsumeFloatingPoint<double>();
  double anyBits = 0.0;  // NaNs and infinities too
  const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
  std::memcpy(&anyBits, &bits, sizeof anyBits);
  const std::string file = input.ConsumeRemainingBytesAsString();

  // One string literal.
  const std::string quoted = metascope::tool::JsonQuote(file);
  const Json literal = Read(quoted);
  FUZZ_CHECK(!literal.is_discarded());
  FUZZ_CHECK(literal.is_string() && quoted.front() == '"');
  FUZZ_CHECK(literal.get<std::string>() == Sanitised(file));

  // One object on one line. The tool's keys are fixed; a key from the input
  // only has to come back as itself (made well-formed).
  const bool taken = key.empty() || key == "file" || key == "error" || key == "duration" ||
                     key == "framerate" || key == "aspect";
  const std::string ownKey = taken ? "x" + key : key;
  const std::string line = metascope::tool::JsonObjectLine()
                               .Add("file", file)
                               .Add("error", message)
                               .Add("duration", integer)
                               .Add("framerate", real)
                               .Add("aspect", anyBits)
                               .Add(ownKey, std::int64_t{1})
                               .Text();
  FUZZ_CHECK(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
  const Json object = Read(line);
  FUZZ_CHECK(!object.is_discarded() && object.is_object());
  // The parser keeps the last of two equal keys: six distinct members means
  // none was written twice.
  FUZZ_CHECK(object.size() == 6);
  const std::string keys[] = {"file", "error", "duration", "framerate", "aspect", Sanitised(ownKey)};
  std::size_t index = 0;
  for (const auto& member : object.items()) FUZZ_CHECK(member.key() == keys[index++]);

  FUZZ_CHECK(object["file"].is_string() && object["file"].get<std::string>() == Sanitised(file));
  FUZZ_CHECK(object["error"].is_string() && object["error"].get<std::string>() == Sanitised(message));
  FUZZ_CHECK(object["duration"].is_number_integer() && object["duration"].get<std::int64_t>() == integer);
  for (const auto& [name, number] : {std::pair{"framerate", real}, std::pair{"aspect", anyBits}}) {
    const Json& value = object[name];
    if (!std::isfinite(number)) {
      FUZZ_CHECK(value.is_null());
    } else {
      // An integral value may read back as an integer ("25", "-0").
      FUZZ_CHECK(value.is_number());
      FUZZ_CHECK(value.get<double>() == number);
    }
  }
  const Json& own = object[Sanitised(ownKey)];
  FUZZ_CHECK(own.is_number_integer() && own.get<std::int64_t>() == 1);
  return 0;
}
