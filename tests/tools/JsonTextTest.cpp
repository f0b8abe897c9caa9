#include "JsonText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using metascope::tool::JsonObjectLine;
using metascope::tool::JsonQuote;

const std::string kFffd = "\xEF\xBF\xBD";

struct QuoteCase {
  const char* what;
  std::string bytes;
  std::string quoted;
};

TEST(JsonQuote, EscapesAndReplacesIllFormedUtf8) {
  const QuoteCase cases[] = {
      {"empty", "", "\"\""},
      {"plain", "clip.mp4", "\"clip.mp4\""},
      {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
      {"short escapes", "\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
      {"other controls and DEL", std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
      {"NUL inside", std::string("a\0b", 3), "\"a\\u0000b\""},
      {"valid 2, 3, 4 bytes", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x8E\xAC", "\"\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x8E\xAC\""},
      {"highest scalar", "\xF4\x8F\xBF\xBF", "\"\xF4\x8F\xBF\xBF\""},
      {"latin-1 byte", "vid\xE9o", "\"vid" + kFffd + "o\""},
      {"stray continuation", "\x80", "\"" + kFffd + "\""},
      {"C0/C1 overlong leads", "\xC0\xAF\xC1\xBF", "\"" + kFffd + kFffd + kFffd + kFffd + "\""},
      {"3-byte overlong", "\xE0\x80\xAF", "\"" + kFffd + kFffd + kFffd + "\""},
      {"surrogate", "\xED\xA0\x80", "\"" + kFffd + kFffd + kFffd + "\""},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "\"" + kFffd + kFffd + kFffd + kFffd + "\""},
      {"F5 and FF leads", "\xF5\xFF", "\"" + kFffd + kFffd + "\""},
      // A truncated sequence is one maximal subpart: one U+FFFD, and the
      // byte that broke it is read again on its own.
      {"truncated 3-byte then ASCII", "\xE4\xB8x", "\"" + kFffd + "x\""},
      {"truncated 4-byte at end", "\xF0\x9F\x8E", "\"" + kFffd + "\""},
      {"truncated then quote", "\xC3\"", "\"" + kFffd + "\\\"\""},
  };
  for (const QuoteCase& c : cases) EXPECT_EQ(JsonQuote(c.bytes), c.quoted) << c.what;
}

TEST(JsonObjectLine, WritesOneObjectWithNumbersAndNull) {
  const std::string line = JsonObjectLine()
                               .Add("file", "a\nb")
                               .Add("width", std::int64_t{-137})
                               .Add("durationMs", std::int64_t{9007199254740993})
                               .Add("frameRate", 29.97)
                               .Add("nan", std::nan(""))
                               .Add("inf", -std::numeric_limits<double>::infinity())
                               .Text();
  EXPECT_EQ(line,
            "{\"file\":\"a\\nb\",\"width\":-137,\"durationMs\":9007199254740993,"
            "\"frameRate\":29.97,\"nan\":null,\"inf\":null}");
  EXPECT_EQ(JsonObjectLine().Text(), "{}");
}

}  // namespace
