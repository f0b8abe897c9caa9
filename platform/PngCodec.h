// Decoding PNG files into separate colour and alpha planes.
//
// Linux: libpng. Windows: the Windows Imaging Component.
// Whatever the file's colour type and depth, the result has 8 bits per sample:
// palette and grey images are expanded to RGB, 16-bit samples are cut to 8,
// and a transparency chunk or an alpha channel becomes the alpha plane.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DecodedImage {
  int width = 0;
  int height = 0;
  bool hasAlpha = false;
  std::vector<std::uint8_t> rgb;    // width * height * 3 bytes, row 0 at the top, R G B
  std::vector<std::uint8_t> alpha;  // width * height bytes when hasAlpha, else empty
};

// The largest width or height accepted; larger images are refused.
inline constexpr int kMaxDecodedDimension = 16384;

// Whether `fileBytes` bytes of PNG file can hold the image data of a
// width x height image of `bitsPerPixel` bits: each row is a filter byte and
// its packed pixels, and a deflate stream expands its input at most 1032-fold.
// A header that claims more is refused before anything is allocated for it,
// so that a small file never costs memory in proportion to the size it
// claims. Pass 1 bit per pixel when the layout is not known yet.
inline constexpr bool PngDataCanHold(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel,
                                     std::uint64_t fileBytes) {
  const std::uint64_t rowBytes = (width * bitsPerPixel + 7) / 8 + 1;
  return height * rowBytes / 1032 <= fileBytes;
}

// Decodes the PNG file held in `data`. On success fills `out` and returns true.
// On any failure (not a PNG, truncated, corrupt, too large, out of memory)
// returns false with a short description in `error` and leaves `out` empty.
bool DecodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out,
               std::string& error) noexcept;

}  // namespace platform
