#include "TextToNumber.h"

#include <charconv>
#include <limits>

namespace metascope {
namespace {

bool IsSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Skips leading white space and reads one optional sign. Returns the index
// of the first character after them.
std::size_t SkipSpaceAndSign(std::string_view text, bool& negative) noexcept {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

}  // namespace

std::int32_t LeadingInt32(std::string_view text) noexcept {
  bool negative = false;
  std::size_t i = SkipSpaceAndSign(text, negative);

  // Accumulate the magnitude, stopping once it is past the 32-bit range; the
  // remaining digits cannot bring it back.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[i] - '0');
  }

  if (negative) {
    return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::min()
                               : static_cast<std::int32_t>(-magnitude);
  }
  return magnitude >= kLimit ? std::numeric_limits<std::int32_t>::max()
                             : static_cast<std::int32_t>(magnitude);
}

double LeadingDouble(std::string_view text) noexcept {
  bool negative = false;
  const std::size_t start = SkipSpaceAndSign(text, negative);

  std::size_t end = start;
  std::size_t digits = 0;
  while (end < text.size() && IsDigit(text[end])) ++end, ++digits;
  if (end < text.size() && text[end] == '.') {
    std::size_t fractionEnd = end + 1;
    while (fractionEnd < text.size() && IsDigit(text[fractionEnd])) ++fractionEnd, ++digits;
    end = fractionEnd;
  }
  if (digits == 0) return 0.0;

  // from_chars reads exactly the span found above (no sign, no exponent) and
  // never consults the locale.
  double value = 0.0;
  const std::from_chars_result result =
      std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::fixed);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large saturates at infinity. Too small (only zeros before the
    // first other digit far into the fraction) reads as zero.
    bool wholePart = false;
    for (std::size_t i = start; i < end && text[i] != '.'; ++i) wholePart = wholePart || text[i] != '0';
    value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

}  // namespace metascope
