// Text measuring rules against a text engine of known metrics, and the
// platform's engine on the installed fonts.
#include <gtest/gtest.h>

#include <algorithm>

#include "UiTestSupport.h"
#include "ui/Font.h"
#include "ui/PngImage.h"
#include "ui/Scale.h"
#include "ui/TextMeasurer.h"
#include "ui/TextService.h"

using testsupport::FakeTextEngine;

namespace {

TEST(TextMeasurer, ExtentRules) {
  FakeTextEngine engine;  // 5 px a character, lines 13 px, average width 4 (tab stops every 32 px)
  ui::ScopedTextEngine scoped(engine);
  struct Case {
    std::u16string text;
    int width, height;
  } const cases[] = {
      {u"Hello", 25, 13},
      {u"", 5, 13},              // measured as one space
      {u"A&B", 10, 13},          // the ampersand marks B and is not measured
      {u"A&&B", 15, 13},         // a doubled ampersand measures as one
      {u"&", 5, 13},             // nothing left: one space
      {u"a\tb", 37, 13},         // a, tab to 32, b
      {u"abcdefg\tb", 69, 13},   // 35 is past the first stop: tab to 64
      {u"\t", 32, 13},
      {u"ab\ncdef", 20, 26},     // widest line, all lines
      {u"a\r\nb\rc\n", 5, 52},   // CR LF is one break; a trailing break adds a line
  };
  ui::TTextMeasurer measurer;
  for (const Case& c : cases) {
    measurer.SetText(c.text);
    const ui::TTextExtent extent = measurer.Extent();
    EXPECT_EQ(extent.width, c.width) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(extent.height, c.height) << std::string(c.text.begin(), c.text.end());
  }
}

// Linux: fontconfig finds Tahoma in wine's font folder; Windows under Wine:
// GDI finds it in the prefix's Fonts folder.
TEST(SystemText, TahomaResolvesFromTheExtraFontFolder) {
  ui::TFont font;
  font.SetStyle(ui::fsBold);
  EXPECT_EQ(platform::SystemTextEngine().ResolvedFamily(font.Request()), u"Tahoma");
  font.SetName(u"No Such Face 12345");
  EXPECT_FALSE(platform::SystemTextEngine().ResolvedFamily(font.Request()).empty());  // a substitute
}

TEST(SystemText, TahomaBoldElevenPixelsMeasuresLikeWindows) {
  ui::TTextMeasurer measurer;
  measurer.Font().SetStyle(ui::fsBold);
  const platform::LineMetrics metrics = platform::SystemTextEngine().Metrics(measurer.Font().Request());
  EXPECT_EQ(metrics.ascent, 11);
  EXPECT_EQ(metrics.descent, 2);
  struct Case {
    std::u16string text;
    int width;
  } const cases[] = {
#if defined(_WIN32)
      // GDI (measured under Wine with its Tahoma Bold): whole-pixel hinted
      // advances, H 9, e 7, l 4, o 7, A 8, B 8, & 9; average width 8.
      {u"Hello", 31}, {u"A&B", 16}, {u"A&&B", 25}, {u"a\tb", 71}, {u"", 3}
#else
      {u"Hello", 28}, {u"A&B", 15}, {u"A&&B", 23}, {u"a\tb", 71}, {u"", 3}
#endif
  };
  for (const Case& c : cases) {
    measurer.SetText(c.text);
    EXPECT_EQ(measurer.Width(), c.width) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(measurer.Height(), 13);
  }
}

// At a display scale the layout's font height is scaled, and the font is
// drawn at that pixel height: at 200 % its metrics are those of the face at
// 22 pixels (descent 5: 423 / 2048 of the em, rounded), not the 11-pixel
// ones doubled (descent 4), and its glyphs reach that height.
TEST(SystemText, TahomaBoldAtTwiceTheScaleIsTheFaceAtTwentyTwoPixels) {
  ui::TFont font;
  font.SetStyle(ui::fsBold);
  font.SetHeight(ui::TScale::FromPercent(200).Length(-11));
  ASSERT_EQ(font.Height(), -22);
  const platform::LineMetrics metrics = platform::SystemTextEngine().Metrics(font.Request());
  EXPECT_EQ(metrics.ascent, 22);
  EXPECT_EQ(metrics.descent, 5);
  ui::TTextMeasurer measurer;
  measurer.Font().Assign(font);
  measurer.SetText(u"Hello");
  const ui::TTextExtent extent = measurer.Extent();
  EXPECT_EQ(extent.height, 27);
  EXPECT_GE(extent.width, 2 * 28 - 2);
  EXPECT_LE(extent.width, 2 * 31 + 2);

  // "H" drawn in black on white: its ink spans the cap height of 22-pixel
  // Tahoma (about 16 pixels), where the 11-pixel face has 8.
  ui::TPngImage image(60, 40, false);
  for (int y = 0; y < 40; ++y) std::fill_n(image.ColourRow(y), 3 * 60, 255);
  image.TextOut(5, 5, u"H", font);
  int top = 40, bottom = -1;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      if (image.ColourRow(y)[3 * x] < 128) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GE(bottom - top + 1, 15);
  EXPECT_LE(bottom - top + 1, 17);
}

TEST(SystemText, TextOutDrawsInsideTheMeasuredCellInTheFontColour) {
  ui::TFont font;
  font.SetStyle(ui::fsBold);
  font.SetName(u"DejaVu Sans");  // any installed face will do
  font.SetColor(0x0000FF);       // red
  ui::TTextMeasurer measurer;
  measurer.Font().Assign(font);
  measurer.SetText(u"Hello");
  const ui::TTextExtent extent = measurer.Extent();
  ASSERT_GT(extent.width, 10);
  ASSERT_GT(extent.height, 5);

  ui::TPngImage image(80, 30, true);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      std::fill_n(image.ColourRow(y) + 3 * x, 3, 255);
      image.AlphaRow(y)[x] = static_cast<std::uint8_t>(x);
    }
  const ui::TPngImage before = image;
  image.TextOut(6, 4, u"Hello", font);

  int changed = 0;
  int strongest = 255;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      const std::uint8_t* p = image.ColourRow(y) + 3 * x;
      ASSERT_EQ(image.AlphaRow(y)[x], before.AlphaRow(y)[x]);
      if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
      ++changed;
      // Red text on white: red stays full, green and blue fall together.
      EXPECT_EQ(p[0], 255);
      EXPECT_EQ(p[1], p[2]);
      strongest = std::min<int>(strongest, p[1]);
      EXPECT_GE(x, 6 - 1);
      EXPECT_LT(x, 6 + extent.width + 2);
      EXPECT_GE(y, 4);
      EXPECT_LT(y, 4 + extent.height);
    }
  EXPECT_GT(changed, 30);
  EXPECT_LT(strongest, 40);  // some pixels fully covered
}

TEST(SystemText, TextOutClipsAtEveryEdge) {
  ui::TFont font;
  font.SetStyle(ui::fsBold);
  ui::TPngImage image(12, 8, false);
  for (auto [x, y] : {std::pair{-20, -5}, std::pair{8, 5}, std::pair{-3, 2}, std::pair{1000, 1000},
                      std::pair{-2147483647, 2147483647}}) {
    image.TextOut(x, y, u"Wide text Wg", font);
  }
  SUCCEED();  // the sanitizers check that no byte outside the image was touched
}

}  // namespace
