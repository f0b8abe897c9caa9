#include "controls/BlendKernel.h"

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define VIDORRA_BLEND_AVX2 1
#include <immintrin.h>
#endif

namespace controls::detail {
namespace {

// x div 255 for 0 <= x <= 65025, in 16-bit arithmetic (the sum stays below
// 65281), so that the loop vectorises on 16-bit lanes.
inline std::uint16_t Div255(std::uint16_t x) {
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(x + 1u + (x >> 8)) >> 8);
}

#if VIDORRA_BLEND_AVX2
// 32 bytes a step. Per 16-bit lane: x div 255 = ((x + 1) * 257) >> 16 for
// 0 <= x <= 65025, which is one add and one high-half multiply.
__attribute__((target("avx2"))) void BlendBytesAvx2(const std::uint8_t* from, const std::uint8_t* to,
                                                    std::uint8_t* out, std::size_t count, std::uint8_t level) {
  const __m256i keep = _mm256_set1_epi16(static_cast<short>(255 - level));
  const __m256i take = _mm256_set1_epi16(static_cast<short>(level));
  const __m256i one = _mm256_set1_epi16(1);
  const __m256i m257 = _mm256_set1_epi16(257);
  const __m256i zero = _mm256_setzero_si256();
  std::size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
    const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i));
    // Unpacking and packing both work within 128-bit halves, so the bytes
    // come back in their own order.
    const __m256i fLo = _mm256_mullo_epi16(_mm256_unpacklo_epi8(f, zero), keep);
    const __m256i fHi = _mm256_mullo_epi16(_mm256_unpackhi_epi8(f, zero), keep);
    const __m256i tLo = _mm256_mullo_epi16(_mm256_unpacklo_epi8(t, zero), take);
    const __m256i tHi = _mm256_mullo_epi16(_mm256_unpackhi_epi8(t, zero), take);
    const __m256i lo = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(fLo, one), m257),
                                        _mm256_mulhi_epu16(_mm256_add_epi16(tLo, one), m257));
    const __m256i hi = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_add_epi16(fHi, one), m257),
                                        _mm256_mulhi_epu16(_mm256_add_epi16(tHi, one), m257));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
  }
  BlendBytesPortable(from + i, to + i, out + i, count - i, level);
}

bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}
#endif

}  // namespace

void BlendBytesPortable(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out,
                        std::size_t count, std::uint8_t level) {
  const std::uint16_t keep = static_cast<std::uint16_t>(255u - level);
  const std::uint16_t take = level;
  for (std::size_t i = 0; i < count; ++i) {
    const auto p = static_cast<std::uint16_t>(keep * from[i]);
    const auto q = static_cast<std::uint16_t>(take * to[i]);
    out[i] = static_cast<std::uint8_t>(Div255(p) + Div255(q));
  }
}

void BlendBytes(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t* out, std::size_t count,
                std::uint8_t level) {
#if VIDORRA_BLEND_AVX2
  if (HasAvx2()) {
    BlendBytesAvx2(from, to, out, count, level);
    return;
  }
#endif
  BlendBytesPortable(from, to, out, count, level);
}

const char* BlendBytesVersion() {
#if VIDORRA_BLEND_AVX2
  if (HasAvx2()) return "avx2";
#endif
  return "portable";
}

}  // namespace controls::detail
