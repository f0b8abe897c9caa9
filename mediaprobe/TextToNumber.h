// Conversion of the MediaInfo library's value texts to numbers, independent
// of the process locale.
#pragma once

#include <cstdint>
#include <string_view>

namespace metascope {

// The leading decimal integer: white space skipped, one optional sign, then
// digits up to the first other character. No digits gives 0; values beyond
// the 32-bit range saturate. "90.000" gives 90.
std::int32_t LeadingInt32(std::string_view text) noexcept;

// The leading decimal number: white space skipped, one optional sign, digits
// and an optional "." with more digits; "." is the decimal separator whatever
// the locale. No number gives 0.0. "29.970" gives 29.97. A value too large
// for a double gives infinity with its sign; one too small for it gives 0.
double LeadingDouble(std::string_view text) noexcept;

}  // namespace metascope
