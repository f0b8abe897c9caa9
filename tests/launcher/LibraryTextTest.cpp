#include "launcher/DLLExportFunc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

std::int32_t LengthBefore(const char16_t* text) {
  std::int32_t length = 0;
  std::memcpy(&length, text - 2, sizeof length);
  return length;
}

TEST(LibraryText, CarriesItsLengthBeforeAndANulAfter) {
  const launcher::TLibraryText text(u"Quenby更新检查");
  ASSERT_NE(text.Pointer(), nullptr);
  EXPECT_EQ(LengthBefore(text.Pointer()), 10);
  EXPECT_EQ(text.Pointer()[10], u'\0');
  EXPECT_EQ(std::u16string(text.Pointer()), u"Quenby更新检查");
  EXPECT_EQ(launcher::CopyLibraryText(text.Pointer()), u"Quenby更新检查");
}

TEST(LibraryText, EmptyTextIsANullPointer) {
  EXPECT_EQ(launcher::TLibraryText(u"").Pointer(), nullptr);
  EXPECT_EQ(launcher::CopyLibraryText(nullptr), u"");
}

TEST(LibraryText, CopyTrustsTheLengthAndRejectsANegativeOne) {
  // {length low, length high, units..., NUL}: a text with a NUL inside is
  // copied whole; a negative length reads as the empty text.
  char16_t withNul[] = {3, 0, u'a', u'\0', u'b', u'\0'};
  EXPECT_EQ(launcher::CopyLibraryText(withNul + 2), std::u16string(u"a\0b", 3));
  char16_t negative[] = {0xFFFF, 0xFFFF, u'a', u'\0'};
  EXPECT_EQ(launcher::CopyLibraryText(negative + 2), u"");
}

}  // namespace
