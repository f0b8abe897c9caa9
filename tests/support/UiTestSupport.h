// Helpers shared by the ui and controls tests: fixture loading, image
// comparison, a repaint recorder and a text engine with fixed metrics.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/TextEngine.h"
#include "ui/Control.h"
#include "ui/PictureView.h"
#include "ui/PngImage.h"

namespace testsupport {

inline ui::TPngImage LoadFixture(const std::string& name) {
  ui::TPngImage image;
  std::string error;
  const bool loaded = image.LoadFromFile(std::string(VIDORRA_UI_FIXTURES) + "/" + name, &error);
  EXPECT_TRUE(loaded) << name << ": " << error;
  return image;
}

// Compares size, alpha presence and every byte of both planes; reports the
// first differing pixel.
inline ::testing::AssertionResult SameImage(const ui::TPngImage& actual, const ui::TPngImage& expected) {
  if (actual.Width() != expected.Width() || actual.Height() != expected.Height())
    return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height() << ", expected "
                                         << expected.Width() << "x" << expected.Height();
  if (actual.HasAlpha() != expected.HasAlpha())
    return ::testing::AssertionFailure() << "alpha plane " << actual.HasAlpha() << ", expected "
                                         << expected.HasAlpha();
  for (int y = 0; y < actual.Height(); ++y) {
    for (int x = 0; x < actual.Width(); ++x) {
      for (int c = 0; c < 3; ++c) {
        const int a = actual.ColourRow(y)[3 * x + c];
        const int e = expected.ColourRow(y)[3 * x + c];
        if (a != e)
          return ::testing::AssertionFailure() << "colour byte " << c << " of pixel (" << x << ", " << y << ") is "
                                               << a << ", expected " << e;
      }
      if (actual.HasAlpha() && actual.AlphaRow(y)[x] != expected.AlphaRow(y)[x])
        return ::testing::AssertionFailure() << "alpha of pixel (" << x << ", " << y << ") is "
                                             << int(actual.AlphaRow(y)[x]) << ", expected "
                                             << int(expected.AlphaRow(y)[x]);
    }
  }
  return ::testing::AssertionSuccess();
}

// Stands where the form will: keeps a copy of the displayed picture at every
// immediate repaint, and counts the requests for a later redraw.
class RepaintRecorder : public ui::RepaintSink {
 public:
  void RepaintNow(ui::TControl& control) override {
    auto* view = dynamic_cast<ui::TPictureView*>(&control);
    ASSERT_NE(view, nullptr);
    const ui::TPngImage* shown = view->Picture().Graphic();
    frames.push_back(shown != nullptr ? *shown : ui::TPngImage());
  }
  void InvalidateControl(ui::TControl&) override { ++invalidations; }
  void Reset() {
    frames.clear();
    invalidations = 0;
  }

  std::vector<ui::TPngImage> frames;
  int invalidations = 0;
};

// Every character is `advance` pixels wide; text is drawn as a filled box of
// the measured size, and every draw is recorded.
class FakeTextEngine : public platform::TextEngine {
 public:
  struct Draw {
    std::u16string text;
    int x;
    int y;
    std::uint32_t colour;
    platform::FontRequest font;
  };

  platform::LineMetrics Metrics(const platform::FontRequest&) override {
    return {lineAscent, lineHeight - lineAscent, lineHeight, averageCharWidth};
  }
  int RunWidth(const platform::FontRequest&, std::u16string_view run) override {
    return fixedWidth >= 0 ? fixedWidth : static_cast<int>(run.size()) * advance;
  }
  void DrawRun(const platform::FontRequest& font, std::u16string_view run, std::uint32_t colour,
               const platform::RgbPlane& target, int x, int y) override {
    draws.push_back({std::u16string(run), x, y, colour, font});
    const int w = RunWidth(font, run);
    for (int ty = y; ty < y + lineHeight; ++ty)
      for (int tx = x; tx < x + w; ++tx)
        if (tx >= 0 && ty >= 0 && tx < target.width && ty < target.height) {
          std::uint8_t* p = target.data + ty * target.stride + 3 * tx;
          p[0] = static_cast<std::uint8_t>(colour & 0xFF);
          p[1] = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
          p[2] = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
        }
  }
  std::u16string ResolvedFamily(const platform::FontRequest& font) override { return font.face; }

  int advance = 5;
  int fixedWidth = -1;  // when >= 0, every run measures this wide
  int lineHeight = 13;
  int lineAscent = 11;
  int averageCharWidth = 4;
  std::vector<Draw> draws;
};

}  // namespace testsupport
