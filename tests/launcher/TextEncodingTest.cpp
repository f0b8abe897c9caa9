#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Utf16FromUtf8;
using platform::Utf8FromUtf16;

struct TCase {
  std::string utf8;
  std::u16string utf16;
};

TEST(TextEncoding, ConvertsAndKeepsEveryByteString) {
  const std::vector<TCase> cases = {
      {"", u""},
      {"VidorraMain -x", u"VidorraMain -x"},
      {"\xE5\x8F\x82\xE6\x95\xB0", u"参数"},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
      // Bytes outside well-formed sequences become U+DC80..U+DCFF, one each:
      // stray bytes, overlong forms, encoded surrogates, values above
      // U+10FFFF, and a sequence cut short.
      {"a\xFF" "b", u"a\xDCFF" u"b"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
      {"\xE4\xB8", u"\xDCE4\xDCB8"},
      {"\xE4\xB8" "x", u"\xDCE4\xDCB8" u"x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16FromUtf8(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf8FromUtf16(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(TextEncoding, OtherLoneSurrogatesBecomeTheReplacementCharacter) {
  EXPECT_EQ(Utf8FromUtf16(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf8FromUtf16(u"x\xDC00"), "x\xEF\xBF\xBD");
  EXPECT_EQ(Utf8FromUtf16(u"\xDBFF"), "\xEF\xBF\xBD");
}

TEST(TextEncoding, CodePointsJoinSurrogatePairsAndReplaceLoneOnes) {
  EXPECT_EQ(platform::CodePointsFromUtf16(u"a\U0001F600b"), U"a\U0001F600b");
  EXPECT_EQ(platform::CodePointsFromUtf16(u"\xD800x\xDC80"), U"\xFFFDx\xFFFD");
  EXPECT_EQ(platform::CodePointsFromUtf16(u"\xDBFF"), U"\xFFFD");
  EXPECT_EQ(platform::CodePointsFromUtf16(u""), U"");
}

}  // namespace
