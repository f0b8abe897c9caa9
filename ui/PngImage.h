// A decoded picture: a colour plane of 3 bytes per pixel (R, G, B) and an
// optional alpha plane of 1 byte per pixel (255 opaque), both with row 0 at
// the top. Copies are deep.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class TFont;

// Raised when an image is asked to take a width or height below 1.
class EInvalidImageSize : public std::runtime_error {
 public:
  EInvalidImageSize(int width, int height);
};

// The width and height that the header of the PNG file in `data` gives,
// read without decoding anything; false when `data` does not start with a
// PNG signature and an image header of sides from 1 to INT_MAX.
bool PngFileSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

class TPngImage {
 public:
  TPngImage() = default;
  // A width x height image with every byte 0. Throws EInvalidImageSize when
  // either side is below 1.
  TPngImage(int width, int height, bool withAlpha);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0; }
  bool HasAlpha() const { return hasAlpha_; }

  // Row r of the colour plane (3 * Width() bytes), or null when r is outside
  // the image.
  std::uint8_t* ColourRow(int r);
  const std::uint8_t* ColourRow(int r) const;
  // Row r of the alpha plane (Width() bytes), or null when the image has no
  // alpha plane or r is outside the image.
  std::uint8_t* AlphaRow(int r);
  const std::uint8_t* AlphaRow(int r) const;

  void Assign(const TPngImage& other) { *this = other; }

  // Changes the size, keeping the pixels where the old and the new area
  // overlap at the same place (top-left anchored); new pixels are 0 in both
  // planes. Throws EInvalidImageSize when either side is below 1, leaving the
  // image as it was.
  void Resize(int width, int height);

  // Adds an alpha plane with every pixel opaque, when there is none.
  void CreateAlpha();

  // Draws `source` with its top-left corner at (x, y), each pixel composited
  // by the source's alpha (opaque when it has none):
  //   out = (src * a + dst * (255 - a) + 127) div 255.
  // At most maxWidth x maxHeight pixels of the source are drawn; everything
  // outside this image is clipped. Only the colour plane changes.
  void Draw(int x, int y, const TPngImage& source, int maxWidth = INT_MAX,
            int maxHeight = INT_MAX);

  // Draws one line of text with the top-left corner of its cell at (x, y), in
  // the font's colour, with a transparent background. Only the colour plane
  // changes; pixels outside the image are clipped.
  void TextOut(int x, int y, std::u16string_view text, const TFont& font);

  // Decodes a PNG file. On failure returns false, leaves the image as it was
  // and, when `error` is given, describes the failure there.
  bool LoadFromBytes(const std::uint8_t* data, std::size_t size, std::string* error = nullptr);
  bool LoadFromFile(const std::string& path, std::string* error = nullptr);

 private:
  int width_ = 0;
  int height_ = 0;
  bool hasAlpha_ = false;
  std::vector<std::uint8_t> colour_;
  std::vector<std::uint8_t> alpha_;
};

}  // namespace ui
