#include "ui/PngImage.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/PngCodec.h"
#include "ui/Font.h"
#include "ui/TextService.h"

namespace ui {

EInvalidImageSize::EInvalidImageSize(int width, int height)
    : std::runtime_error("invalid image size " + std::to_string(width) + " x " + std::to_string(height)) {}

bool PngFileSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
  // Signature, then the first chunk: length 13, type IHDR, width, height.
  static constexpr std::uint8_t kStart[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  if (data == nullptr || size < sizeof kStart + 8 || std::memcmp(data, kStart, sizeof kStart) != 0) return false;
  const auto read = [data](std::size_t at) {
    return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) | (std::uint32_t{data[at + 2]} << 8) |
           data[at + 3];
  };
  const std::uint32_t w = read(16), h = read(20);
  if (w < 1 || h < 1 || w > INT_MAX || h > INT_MAX) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

TPngImage::TPngImage(int width, int height, bool withAlpha) {
  if (width < 1 || height < 1) throw EInvalidImageSize(width, height);
  width_ = width;
  height_ = height;
  hasAlpha_ = withAlpha;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  colour_.assign(count * 3, 0);
  if (withAlpha) alpha_.assign(count, 0);
}

std::uint8_t* TPngImage::ColourRow(int r) {
  if (r < 0 || r >= height_) return nullptr;
  return colour_.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width_) * 3;
}

const std::uint8_t* TPngImage::ColourRow(int r) const {
  return const_cast<TPngImage*>(this)->ColourRow(r);
}

std::uint8_t* TPngImage::AlphaRow(int r) {
  if (!hasAlpha_ || r < 0 || r >= height_) return nullptr;
  return alpha_.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width_);
}

const std::uint8_t* TPngImage::AlphaRow(int r) const {
  return const_cast<TPngImage*>(this)->AlphaRow(r);
}

void TPngImage::Resize(int width, int height) {
  if (width < 1 || height < 1) throw EInvalidImageSize(width, height);
  if (width == width_ && height == height_) return;
  TPngImage resized(width, height, hasAlpha_);
  const int rows = std::min(height, height_);
  const int cols = std::min(width, width_);
  for (int r = 0; r < rows; ++r) {
    std::copy_n(ColourRow(r), 3 * static_cast<std::size_t>(cols), resized.ColourRow(r));
    if (hasAlpha_) std::copy_n(AlphaRow(r), static_cast<std::size_t>(cols), resized.AlphaRow(r));
  }
  *this = std::move(resized);
}

void TPngImage::CreateAlpha() {
  if (hasAlpha_ || Empty()) return;
  alpha_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 255);
  hasAlpha_ = true;
}

void TPngImage::Draw(int x, int y, const TPngImage& source, int maxWidth, int maxHeight) {
  if (Empty() || source.Empty() || maxWidth <= 0 || maxHeight <= 0) return;
  // Work in 64 bits so that positions near the ends of int never overflow.
  const long long sx0 = std::max(0LL, -static_cast<long long>(x));
  const long long sy0 = std::max(0LL, -static_cast<long long>(y));
  const long long sx1 = std::min({static_cast<long long>(source.width_), static_cast<long long>(maxWidth),
                                  static_cast<long long>(width_) - x});
  const long long sy1 = std::min({static_cast<long long>(source.height_), static_cast<long long>(maxHeight),
                                  static_cast<long long>(height_) - y});
  if (sx0 >= sx1 || sy0 >= sy1) return;
  for (long long sy = sy0; sy < sy1; ++sy) {
    const std::uint8_t* src = source.ColourRow(static_cast<int>(sy));
    const std::uint8_t* srcAlpha = source.AlphaRow(static_cast<int>(sy));
    std::uint8_t* dst = ColourRow(static_cast<int>(sy + y));
    // The formula gives the source byte at alpha 255 and the destination byte
    // at alpha 0, so opaque pixels are copied and transparent ones skipped.
    if (srcAlpha == nullptr) {
      std::memcpy(dst + 3 * (sx0 + x), src + 3 * sx0, static_cast<std::size_t>(3 * (sx1 - sx0)));
      continue;
    }
    for (long long sx = sx0; sx < sx1; ++sx) {
      const unsigned a = srcAlpha[sx];
      if (a == 0) continue;
      std::uint8_t* d = dst + 3 * (sx + x);
      const std::uint8_t* s = src + 3 * sx;
      if (a == 255) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        continue;
      }
      for (int c = 0; c < 3; ++c)
        d[c] = static_cast<std::uint8_t>((s[c] * a + d[c] * (255u - a) + 127u) / 255u);
    }
  }
}

void TPngImage::TextOut(int x, int y, std::u16string_view text, const TFont& font) {
  if (Empty() || text.empty()) return;
  platform::RgbPlane plane;
  plane.data = colour_.data();
  plane.width = width_;
  plane.height = height_;
  plane.stride = static_cast<std::ptrdiff_t>(width_) * 3;
  ActiveTextEngine().DrawRun(font.Request(), text, font.Color(), plane, x, y);
}

bool TPngImage::LoadFromBytes(const std::uint8_t* data, std::size_t size, std::string* error) {
  platform::DecodedImage decoded;
  std::string message;
  if (!platform::DecodePng(data, size, decoded, message)) {
    if (error != nullptr) *error = message;
    return false;
  }
  width_ = decoded.width;
  height_ = decoded.height;
  hasAlpha_ = decoded.hasAlpha;
  colour_ = std::move(decoded.rgb);
  alpha_ = std::move(decoded.alpha);
  return true;
}

bool TPngImage::LoadFromFile(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error != nullptr) *error = "cannot open " + path;
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadFromBytes(bytes.data(), bytes.size(), error);
}

}  // namespace ui
