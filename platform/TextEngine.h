// Measuring and drawing one run of text.
//
// Linux: FreeType with fontconfig. Windows: GDI.
// A run is a single line without control characters that need layout (tabs,
// line breaks and accelerator prefixes are the caller's business). Texts are
// UTF-16; the implementation converts at its edge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// What the caller asks for. `height` follows the Windows convention: negative
// is the em size in pixels (character height without internal leading),
// positive is the cell height (ascent + descent), zero is a default size.
struct FontRequest {
  std::u16string face;
  int height = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};

// Line metrics in whole pixels.
struct LineMetrics {
  int ascent = 0;            // from the top of the cell to the baseline
  int descent = 0;           // from the baseline to the bottom of the cell
  int height = 0;            // ascent + descent
  int averageCharWidth = 0;  // the font's average character width
};

// A colour plane to draw on: 3 bytes per pixel (R, G, B), `stride` bytes from
// one row to the next, row 0 at the top.
struct RgbPlane {
  std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

class TextEngine {
 public:
  virtual ~TextEngine() = default;

  virtual LineMetrics Metrics(const FontRequest& font) = 0;

  // Advance width in pixels of `run` drawn in `font`, without kerning.
  virtual int RunWidth(const FontRequest& font, std::u16string_view run) = 0;

  // Draws `run` with the top-left corner of its cell at (x, y), in the colour
  // 0xBBGGRR, with a transparent background. Only pixels inside the plane are
  // touched.
  virtual void DrawRun(const FontRequest& font, std::u16string_view run,
                       std::uint32_t colourBgr, const RgbPlane& target, int x,
                       int y) = 0;

  // The family name of the font that actually serves `font` (a substitute
  // when the requested face is not installed); empty when there is none.
  virtual std::u16string ResolvedFamily(const FontRequest& font) = 0;
};

// The platform's text engine, created on first use and kept for the life of
// the process. Call it from the user-interface thread only.
TextEngine& SystemTextEngine();

}  // namespace platform
