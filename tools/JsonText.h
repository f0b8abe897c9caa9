// JSON text for metascope's --json output: string literals and the one-line
// objects the tool prints. Pure functions of their arguments: no locale, no
// global state, no I/O.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace metascope::tool {

// A complete JSON string literal (quotes included) for arbitrary bytes.
// Well-formed UTF-8 passes unchanged. Each maximal ill-formed subsequence
// (a stray continuation byte, a truncated sequence, an overlong form, a
// surrogate, a value above U+10FFFF) becomes one U+FFFD. '"' and '\' are
// escaped, and so are all control characters below U+0020 and U+007F.
std::string JsonQuote(std::string_view bytes);

// Builds one JSON object on one line: {"key":value,...}. Keys are given by
// the caller and quoted like any other text.
class JsonObjectLine {
 public:
  JsonObjectLine& Add(std::string_view key, std::string_view text);
  JsonObjectLine& Add(std::string_view key, std::int64_t number);
  // Finite numbers in their shortest round-trip form; NaN and the infinities,
  // which JSON cannot spell, as null.
  JsonObjectLine& Add(std::string_view key, double number);
  // The finished object, without a line feed.
  std::string Text() const { return text_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string text_ = "{";
};

}  // namespace metascope::tool
