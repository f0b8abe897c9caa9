#include "ui/Scale.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace ui {
namespace {

// floor(numerator / denominator) for a positive denominator.
std::int64_t FloorDiv(std::int64_t numerator, std::int64_t denominator) {
  std::int64_t quotient = numerator / denominator;
  if (numerator % denominator != 0 && numerator < 0) --quotient;
  return quotient;
}

int ToInt(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX)); }

}  // namespace

TScale TScale::FromFactor(double factor) {
  if (!std::isfinite(factor)) return TScale();
  const double units = std::round(factor * static_cast<double>(kDenominator));
  return TScale(static_cast<std::int64_t>(
      std::clamp(units, static_cast<double>(kMinimum), static_cast<double>(kMaximum))));
}

TScale TScale::FromDpi(int dpi) {
  // 9600 / 96 = 100 parts per dot per inch: exact.
  return TScale(std::clamp<std::int64_t>(static_cast<std::int64_t>(dpi) * 100, kMinimum, kMaximum));
}

TScale TScale::FromPercent(int percent) {
  return TScale(std::clamp<std::int64_t>(static_cast<std::int64_t>(percent) * 96, kMinimum, kMaximum));
}

int TScale::Edge(int value) const {
  return ToInt(FloorDiv(static_cast<std::int64_t>(value) * units_ + kDenominator / 2, kDenominator));
}

int TScale::Length(int value) const {
  const std::int64_t magnitude = std::abs(static_cast<std::int64_t>(value));
  const std::int64_t scaled = (magnitude * units_ + kDenominator / 2) / kDenominator;
  return ToInt(value < 0 ? -scaled : scaled);
}

TRect TScale::Bounds(int left, int top, int width, int height) const {
  const int x = Edge(left);
  const int y = Edge(top);
  const int right = ToInt(static_cast<std::int64_t>(left) + width);
  const int bottom = ToInt(static_cast<std::int64_t>(top) + height);
  return {x, y, ToInt(static_cast<std::int64_t>(Edge(right)) - x), ToInt(static_cast<std::int64_t>(Edge(bottom)) - y)};
}

}  // namespace ui
