// Frame rows into X11 surface pixels: every length from 0 to 40 pixels (the
// vector loop's steps and every remainder after them), from a source one
// byte off alignment, each byte different from its neighbours, the same as
// one pixel at a time; nothing is read or written past the last pixel.
#include "platform/linux/XrgbRows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using platform::detail::RgbToXrgb;
using platform::detail::RgbToXrgbPortable;

TEST(XrgbRows, EachPixelIsOpaqueRedGreenBlueFromHighToLow) {
  const std::uint8_t rgb[] = {0x12, 0x34, 0x56, 0xFF, 0x00, 0x80};
  for (auto convert : {&RgbToXrgb, &RgbToXrgbPortable}) {
    std::uint32_t out[2] = {};
    convert(rgb, out, 2);
    EXPECT_EQ(out[0], 0xFF123456u);
    EXPECT_EQ(out[1], 0xFFFF0080u);
  }
}

TEST(XrgbRows, EveryLengthConvertsExactlyAndStopsAtTheEnd) {
  constexpr std::uint32_t kGuard = 0x5A5A5A5Au;
  for (std::size_t count = 0; count <= 40; ++count) {
    // Exactly the row's bytes after the offset, so that a read past its end
    // is seen by AddressSanitizer.
    for (int round = 0; round < 256; round += 37) {
      std::vector<std::uint8_t> source(1 + 3 * count);
      for (std::size_t i = 0; i < 3 * count; ++i) source[1 + i] = static_cast<std::uint8_t>(round + 11 * i);
      std::vector<std::uint32_t> expected(count + 1, kGuard), actual(count + 1, kGuard);
      RgbToXrgbPortable(source.data() + 1, expected.data(), count);
      RgbToXrgb(source.data() + 1, actual.data(), count);
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = source.data() + 1 + 3 * i;
        ASSERT_EQ(expected[i], 0xFF000000u | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]);
      }
      EXPECT_EQ(actual, expected) << count << " pixels, " << platform::detail::RgbToXrgbVersion();
      EXPECT_EQ(actual[count], kGuard);
    }
  }
}

}  // namespace
