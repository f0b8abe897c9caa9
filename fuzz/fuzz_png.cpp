// TPngImage::LoadFromBytes on any bytes, taken once as they are and once
// with the checksum of every whole chunk made right (a mutated chunk would
// stop at its checksum otherwise, and what lies behind it would never be
// reached). A failure leaves the image exactly as it was and says why; a
// success gives an image within the size limit whose planes cover it. The
// decoder underneath must fail, not crash, and allocate no more than the
// file can hold (the fuzz test's -malloc_limit_mb and -rss_limit_mb catch an
// allocation sized by what a header claims).

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "FuzzCheck.h"
#include "platform/PngCodec.h"
#include "ui/PngImage.h"

namespace {

// A 3 x 2 image with an alpha plane and a pattern in every byte.
ui::TPngImage Original() {
  ui::TPngImage image(3, 2, true);
  for (int r = 0; r < image.Height(); ++r) {
    for (int i = 0; i < 3 * image.Width(); ++i) image.ColourRow(r)[i] = static_cast<std::uint8_t>(7 * r + i);
    for (int i = 0; i < image.Width(); ++i) image.AlphaRow(r)[i] = static_cast<std::uint8_t>(200 + r + i);
  }
  return image;
}

bool Same(const ui::TPngImage& a, const ui::TPngImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.HasAlpha() != b.HasAlpha()) return false;
  const auto w = static_cast<std::size_t>(a.Width());
  for (int r = 0; r < a.Height(); ++r) {
    if (std::memcmp(a.ColourRow(r), b.ColourRow(r), 3 * w) != 0) return false;
    if (a.HasAlpha() && std::memcmp(a.AlphaRow(r), b.AlphaRow(r), w) != 0) return false;
  }
  return true;
}

std::uint32_t ReadBig32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The file with the CRC of each chunk after the signature set to the CRC of
// its type and data, up to the first chunk that does not fit.
std::vector<std::uint8_t> WithRightChecksums(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> file(data, data + size);
  std::size_t pos = 8;
  while (pos + 12 <= file.size()) {
    const std::size_t length = ReadBig32(&file[pos]);
    if (length > file.size() - pos - 12) break;
    const auto crc = static_cast<std::uint32_t>(
        crc32(crc32(0, nullptr, 0), &file[pos + 4], static_cast<uInt>(length + 4)));
    std::uint8_t* out = &file[pos + 8 + length];
    out[0] = static_cast<std::uint8_t>(crc >> 24);
    out[1] = static_cast<std::uint8_t>(crc >> 16);
    out[2] = static_cast<std::uint8_t>(crc >> 8);
    out[3] = static_cast<std::uint8_t>(crc);
    pos += 12 + length;
  }
  return file;
}

void CheckDecoding(const std::uint8_t* data, std::size_t size) {
  static const ui::TPngImage original = Original();
  ui::TPngImage image = original;
  std::string error;
  if (!image.LoadFromBytes(data, size, &error)) {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(Same(image, original));
    return;
  }
  FUZZ_CHECK(image.Width() >= 1 && image.Width() <= platform::kMaxDecodedDimension);
  FUZZ_CHECK(image.Height() >= 1 && image.Height() <= platform::kMaxDecodedDimension);
  // The last byte of each plane is reachable (ASan checks the access).
  const int last = image.Height() - 1;
  FUZZ_CHECK(image.ColourRow(last) != nullptr && image.ColourRow(last + 1) == nullptr);
  volatile std::uint8_t sink = image.ColourRow(last)[3 * image.Width() - 1];
  FUZZ_CHECK((image.AlphaRow(last) != nullptr) == image.HasAlpha());
  if (image.HasAlpha()) sink = image.AlphaRow(last)[image.Width() - 1];
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckDecoding(data, size);
  const std::vector<std::uint8_t> repaired = WithRightChecksums(data, size);
  CheckDecoding(repaired.data(), repaired.size());
  return 0;
}
