#include "platform/linux/XrgbRows.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define VIDORRA_XRGB_SSSE3 1
#include <immintrin.h>
#endif

namespace platform::detail {

void RgbToXrgbPortable(const std::uint8_t* rgb, std::uint32_t* xrgb, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, rgb += 3)
    xrgb[i] = 0xFF000000u | (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
}

namespace {

#if VIDORRA_XRGB_SSSE3
// Four pixels a step: one 16-byte load of which 12 bytes are used, one
// shuffle that reverses each pixel's three bytes into a 32-bit lane, one or.
// The load reads 4 bytes past the four pixels, so the loop stops while at
// least two more pixels (6 bytes) follow; the rest goes one at a time.
__attribute__((target("ssse3"))) void RgbToXrgbSsse3(const std::uint8_t* rgb, std::uint32_t* xrgb,
                                                     std::size_t count) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  std::size_t i = 0;
  for (; i + 6 <= count; i += 4) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgb + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(xrgb + i), _mm_or_si128(_mm_shuffle_epi8(in, order), opaque));
  }
  RgbToXrgbPortable(rgb + 3 * i, xrgb + i, count - i);
}

bool HasSsse3() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}
#endif

}  // namespace

void RgbToXrgb(const std::uint8_t* rgb, std::uint32_t* xrgb, std::size_t count) {
#if VIDORRA_XRGB_SSSE3
  if (HasSsse3()) {
    RgbToXrgbSsse3(rgb, xrgb, count);
    return;
  }
#endif
  RgbToXrgbPortable(rgb, xrgb, count);
}

const char* RgbToXrgbVersion() {
#if VIDORRA_XRGB_SSSE3
  if (HasSsse3()) return "ssse3";
#endif
  return "portable";
}

}  // namespace platform::detail
