#include "platform/DisplayScale.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace platform {
namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<double> PositiveNumber(std::string_view text, bool whole) {
  while (!text.empty() && Blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && Blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  const char* const end = text.data() + text.size();
  double value = 0;
  if (whole) {
    long long integer = 0;
    const auto [stop, error] = std::from_chars(text.data(), end, integer);
    if (error != std::errc() || stop != end) return std::nullopt;
    value = static_cast<double>(integer);
  } else {
    // Fixed or scientific notation (no hexadecimal floating point); "inf"
    // and "nan" parse, and are refused below.
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (error != std::errc() || stop != end) return std::nullopt;
  }
  if (!std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

double DisplayScaleFrom(const DisplayScaleSources& sources) {
  if (sources.vidorraScale)
    if (const auto scale = PositiveNumber(*sources.vidorraScale, false)) return *scale;
  if (sources.gdkScale)
    if (const auto scale = PositiveNumber(*sources.gdkScale, true)) return *scale;
  if (sources.xftDpi)
    if (const auto dpi = PositiveNumber(*sources.xftDpi, false)) return *dpi / 96.0;
  return 1.0;
}

}  // namespace platform
