#include <gtest/gtest.h>

#include "ui/Font.h"

namespace {

TEST(Font, DefaultIsTahomaEightPointsBlack) {
  ui::TFont font;
  EXPECT_EQ(font.Name(), u"Tahoma");
  EXPECT_EQ(font.Height(), -11);
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Color(), 0u);
  EXPECT_EQ(font.Charset(), ui::DEFAULT_CHARSET);
  EXPECT_EQ(font.Pitch(), ui::fpDefault);
  EXPECT_EQ(font.Style(), 0);
  EXPECT_EQ(font.Orientation(), 0);
}

TEST(Font, SizeSetsTheHeightFromTheScreensPixelsPerInch) {
  struct Case {
    int ppi, size, height;
  } const cases[] = {{96, 8, -11}, {96, 9, -12}, {96, 12, -16}, {120, 8, -13}, {144, 8, -16}, {72, 10, -10}};
  for (const Case& c : cases) {
    ui::SetScreenPixelsPerInch(c.ppi);
    ui::TFont font;
    font.SetHeight(-30);
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.ppi << " ppi, " << c.size << " pt";
    EXPECT_EQ(font.Size(), c.size) << c.ppi << " ppi";
  }
  ui::SetScreenPixelsPerInch(96);
}

TEST(Font, AssignCopiesEveryAttributeAndAnnounces) {
  ui::TFont source;
  source.SetName(u"DejaVu Sans");
  source.SetHeight(-20);
  source.SetColor(0x123456);
  source.SetCharset(134);
  source.SetPitch(ui::fpFixed);
  source.SetOrientation(900);
  source.SetStyle(ui::fsBold | ui::fsItalic);

  ui::TFont target;
  int changes = 0;
  target.OnChange = [&] { ++changes; };
  target.Assign(source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(target.Name(), u"DejaVu Sans");
  EXPECT_EQ(target.Height(), -20);
  EXPECT_EQ(target.Color(), 0x123456u);
  EXPECT_EQ(target.Charset(), 134);
  EXPECT_EQ(target.Pitch(), ui::fpFixed);
  EXPECT_EQ(target.Orientation(), 900);
  EXPECT_EQ(target.Style(), ui::fsBold | ui::fsItalic);

  target.SetColor(1);
  target.SetSize(10);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(source.Color(), 0x123456u);  // a copy, not a share
}

TEST(Font, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(ui::MulDiv(8, 96, 72), 11);     // 10.67
  EXPECT_EQ(ui::MulDiv(3, 1, 2), 2);        // 1.5
  EXPECT_EQ(ui::MulDiv(-3, 1, 2), -2);      // -1.5
  EXPECT_EQ(ui::MulDiv(-11, 72, 96), -8);   // -8.25
  EXPECT_EQ(ui::MulDiv(5, 7, 0), 0);
  EXPECT_EQ(ui::MulDiv(2147483647, 2, 1), 2147483647);
}

}  // namespace
