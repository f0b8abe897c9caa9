// LeadingInt32 and LeadingDouble on any text, checked against strtol and
// strtod in the C locale (this program never changes its locale): the number
// that the C library reads from the leading plain decimal of the text (white
// space, one sign, digits, for doubles an optional "." and more digits) must
// be the number these functions give, saturated to the 32-bit range for
// integers. A text without such a number gives 0.

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "TextToNumber.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The leading plain decimal of `text` and its number of digits. The span
// stops at the first character that cannot continue it, so a NUL or any
// other byte after it is never part of what the C library reads.
std::string PlainPrefix(std::string_view text, bool withFraction, std::size_t& digits) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (withFraction && i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  return std::string(text.substr(0, i));
}

bool SameDouble(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckInt32(std::string_view text) {
  const std::int32_t value = metascope::LeadingInt32(text);
  std::size_t digits = 0;
  const std::string prefix = PlainPrefix(text, false, digits);
  if (digits == 0) {
    FUZZ_CHECK(value == 0);
    return;
  }
  char* end = nullptr;
  errno = 0;
  const long long read = std::strtoll(prefix.c_str(), &end, 10);
  FUZZ_CHECK(end == prefix.c_str() + prefix.size());
  constexpr long long kMin = std::numeric_limits<std::int32_t>::min();
  constexpr long long kMax = std::numeric_limits<std::int32_t>::max();
  const long long expected = read < kMin ? kMin : read > kMax ? kMax : read;
  FUZZ_CHECK(value == expected);
}

void CheckDouble(std::string_view text) {
  const double value = metascope::LeadingDouble(text);
  FUZZ_CHECK(!std::isnan(value));
  std::size_t digits = 0;
  const std::string prefix = PlainPrefix(text, true, digits);
  if (digits == 0) {
    FUZZ_CHECK(SameDouble(value, 0.0));
    return;
  }
  char* end = nullptr;
  const double read = std::strtod(prefix.c_str(), &end);
  FUZZ_CHECK(end == prefix.c_str() + prefix.size());
  // Both round correctly, so they agree to the bit: overflow is infinity with
  // the text's sign, underflow the nearest subnormal or a zero with the sign.
  FUZZ_CHECK(SameDouble(value, read));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckInt32(text);
  CheckDouble(text);
  return 0;
}
