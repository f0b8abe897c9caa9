#include <gtest/gtest.h>

#include <vector>

#include "UiTestSupport.h"
#include "controls/QbVclImageButton.h"

using controls::BlendImages;
using controls::StretchPicture;
using testsupport::LoadFixture;
using testsupport::SameImage;
using ui::TPngImage;

namespace {

int Formula(int level, int from, int to) { return ((255 - level) * from) / 255 + (level * to) / 255; }

TEST(BlendImages, ByteExamples) {
  struct Case {
    int level, from, to, result;
  } const cases[] = {
      {128, 0, 255, 128}, {128, 255, 255, 255}, {0, 77, 200, 77}, {255, 77, 200, 200},
      {1, 255, 0, 254},   {254, 0, 255, 254},   {128, 255, 0, 127},
  };
  for (const Case& c : cases) {
    TPngImage from(1, 1, true), to(1, 1, true), target(1, 1, true);
    from.ColourRow(0)[1] = static_cast<std::uint8_t>(c.from);
    to.ColourRow(0)[1] = static_cast<std::uint8_t>(c.to);
    from.AlphaRow(0)[0] = static_cast<std::uint8_t>(c.from);
    to.AlphaRow(0)[0] = static_cast<std::uint8_t>(c.to);
    BlendImages(&from, &to, &target, static_cast<std::uint8_t>(c.level), 1, 1);
    EXPECT_EQ(target.ColourRow(0)[1], c.result) << c.level << " " << c.from << " " << c.to;
    EXPECT_EQ(target.AlphaRow(0)[0], c.result) << c.level << " " << c.from << " " << c.to;
  }
}

// Every level against every pair of bytes, through both planes.
TEST(BlendImages, MatchesTheIntegerFormulaForEveryLevelAndByte) {
  constexpr int kPixels = 65536;  // one alpha byte per (from, to) pair
  TPngImage from(kPixels, 1, true), to(kPixels, 1, true), target(kPixels, 1, true);
  for (int i = 0; i < kPixels; ++i) {
    from.AlphaRow(0)[i] = static_cast<std::uint8_t>(i & 0xFF);
    to.AlphaRow(0)[i] = static_cast<std::uint8_t>(i >> 8);
    for (int c = 0; c < 3; ++c) {
      from.ColourRow(0)[3 * i + c] = static_cast<std::uint8_t>(i & 0xFF);
      to.ColourRow(0)[3 * i + c] = static_cast<std::uint8_t>(i >> 8);
    }
  }
  int mismatches = 0;
  for (int level = 0; level < 256; ++level) {
    BlendImages(&from, &to, &target, static_cast<std::uint8_t>(level), 1, kPixels);
    for (int i = 0; i < kPixels; ++i) {
      const int expected = Formula(level, i & 0xFF, i >> 8);
      if (target.AlphaRow(0)[i] != expected || target.ColourRow(0)[3 * i] != expected ||
          target.ColourRow(0)[3 * i + 2] != expected)
        ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(BlendImages, ClipsToTheSmallestImageAndSkipsMissingAlpha) {
  const TPngImage normal = LoadFixture("normal_171x78.png");
  const TPngImage other = LoadFixture("mouseon_100x40.png");
  const TPngImage noAlpha = LoadFixture("rgb_4x2.png");

  // Asked for more than any image holds: only the common 100 x 40 changes.
  TPngImage target = LoadFixture("disabled_171x78.png");
  const TPngImage before = target;
  BlendImages(&normal, &other, &target, 200, 1000, 1000);
  for (int y = 0; y < 78; ++y)
    for (int x = 0; x < 171; ++x) {
      const bool inside = x < 100 && y < 40;
      for (int c = 0; c < 3; ++c) {
        const int expected = inside ? Formula(200, normal.ColourRow(y)[3 * x + c], other.ColourRow(y)[3 * x + c])
                                    : before.ColourRow(y)[3 * x + c];
        ASSERT_EQ(target.ColourRow(y)[3 * x + c], expected) << x << "," << y;
      }
      const int expectedAlpha = inside ? Formula(200, normal.AlphaRow(y)[x], other.AlphaRow(y)[x])
                                       : before.AlphaRow(y)[x];
      ASSERT_EQ(target.AlphaRow(y)[x], expectedAlpha) << x << "," << y;
    }

  // One image without alpha: colours blend, alpha stays.
  TPngImage target2 = LoadFixture("rgba_3x2.png");
  const TPngImage before2 = target2;
  BlendImages(&noAlpha, &noAlpha, &target2, 255, 2, 3);
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(target2.ColourRow(1)[3 * x], noAlpha.ColourRow(1)[3 * x]);
    EXPECT_EQ(target2.AlphaRow(1)[x], before2.AlphaRow(1)[x]);
  }

  // Missing images and empty areas do nothing.
  TPngImage target3 = before;
  BlendImages(nullptr, &other, &target3, 255, 78, 171);
  BlendImages(&normal, nullptr, &target3, 255, 78, 171);
  BlendImages(&normal, &other, nullptr, 255, 78, 171);
  BlendImages(&normal, &other, &target3, 255, 0, 171);
  BlendImages(&normal, &other, &target3, 255, 78, -5);
  TPngImage empty;
  BlendImages(&normal, &empty, &target3, 255, 78, 171);
  EXPECT_TRUE(SameImage(target3, before));
}

// Column x of dest must equal column sourceColumn(x) of source, colour and alpha.
template <typename Map>
void ExpectColumns(const TPngImage& dest, const TPngImage& source, int width, Map sourceColumn) {
  ASSERT_EQ(dest.Width(), width);
  ASSERT_EQ(dest.Height(), source.Height());
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < width; ++x) {
      const int sx = sourceColumn(x);
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(dest.ColourRow(y)[3 * x + c], source.ColourRow(y)[3 * sx + c]) << x << "," << y;
      ASSERT_EQ(dest.AlphaRow(y)[x], source.AlphaRow(y)[sx]) << x << "," << y;
    }
}

TEST(StretchPicture, WidensKeepingAQuarterAtEachEdge) {
  const TPngImage source = LoadFixture("normal_171x78.png");
  TPngImage dest = source;
  StretchPicture(source, dest, 300, 42, 42);
  ExpectColumns(dest, source, 300, [](int x) { return x < 42 ? x : (x < 258 ? 42 : x - 258 + 129); });

  // The same width again replaces the middle by copies of column 42.
  TPngImage same = source;
  StretchPicture(source, same, 171, 42, 42);
  ExpectColumns(same, source, 171, [](int x) { return x < 42 || x >= 129 ? x : 42; });
}

TEST(StretchPicture, ZeroEdgesRepeatColumnZero) {
  const TPngImage narrow = LoadFixture("narrow_3x10.png");
  TPngImage dest = narrow;
  StretchPicture(narrow, dest, 50, 0, 0);
  ExpectColumns(dest, narrow, 50, [](int) { return 0; });
}

TEST(StretchPicture, NarrowerThanTheRightEdgeKeepsTheRightmostColumns) {
  const TPngImage source = LoadFixture("normal_171x78.png");
  TPngImage dest = source;
  StretchPicture(source, dest, 30, 42, 42);
  ExpectColumns(dest, source, 30, [](int x) { return 141 + x; });
}

TEST(StretchPicture, EdgesOutsideThePictureAreClipped) {
  const TPngImage small = LoadFixture("small_20x12.png");
  struct Case {
    int width, left, right;
  } const cases[] = {{300, 42, 42}, {40, 25, 0}, {40, -3, 60}, {5, 2147483647, 2147483647},
                     {7, -2147483647, -2147483647}};
  for (const Case& c : cases) {
    TPngImage dest = small;
    StretchPicture(small, dest, c.width, c.left, c.right);
    EXPECT_EQ(dest.Width(), c.width);
    EXPECT_EQ(dest.Height(), 12);
  }
  // A left edge past the picture: no fill; the right edge still lands.
  TPngImage dest = small;
  StretchPicture(small, dest, 40, 25, 2);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(dest.AlphaRow(y)[x], small.AlphaRow(y)[x]);
    for (int x = 20; x < 38; ++x) ASSERT_EQ(dest.ColourRow(y)[3 * x + 1], 0);  // the resize's new pixels
    for (int x = 38; x < 40; ++x) {
      ASSERT_EQ(dest.ColourRow(y)[3 * x + 1], small.ColourRow(y)[3 * (x - 20) + 1]);
      ASSERT_EQ(dest.AlphaRow(y)[x], small.AlphaRow(y)[x - 20]);
    }
  }
}

TEST(StretchPicture, WidthBelowOneIsAnInvalidSizeError) {
  const TPngImage source = LoadFixture("normal_171x78.png");
  for (int width : {0, -1}) {
    TPngImage dest = source;
    EXPECT_THROW(StretchPicture(source, dest, width, 42, 42), ui::EInvalidImageSize);
    EXPECT_TRUE(SameImage(dest, source));
  }
}

}  // namespace
