// Frame rows (R, G, B bytes per pixel) into the 32-bit pixels of an X11
// window surface of depth 24 (0xFFRRGGBB, that is B, G, R, 0xFF in memory).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::detail {

// `count` pixels from `rgb` (3 * count bytes) into `xrgb`. The two may not
// overlap. Uses SSSE3 where the processor has it; the result is the same.
void RgbToXrgb(const std::uint8_t* rgb, std::uint32_t* xrgb, std::size_t count);

// The same, one pixel at a time, on any processor.
void RgbToXrgbPortable(const std::uint8_t* rgb, std::uint32_t* xrgb, std::size_t count);

// "ssse3" or "portable": the version RgbToXrgb runs on this processor.
const char* RgbToXrgbVersion();

}  // namespace platform::detail
