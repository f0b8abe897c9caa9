#include "ui/FocusRing.h"

#include <algorithm>
#include <cmath>

#include "ui/PngImage.h"

namespace ui {

namespace {

constexpr double kThickness = 2;  // at 96 dpi
constexpr double kInset = 3;

int ScaledPixels(double pixels96, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
  const double scaled = std::round(pixels96 * scale);
  return static_cast<int>(std::clamp(scaled, 0.0, 1e6));
}

// Fills [x0, x1) x [y0, y1), clipped to the surface.
void Fill(TPngImage& surface, long long x0, long long y0, long long x1, long long y1, std::uint8_t r,
          std::uint8_t g, std::uint8_t b) {
  x0 = std::max(x0, 0LL);
  y0 = std::max(y0, 0LL);
  x1 = std::min<long long>(x1, surface.Width());
  y1 = std::min<long long>(y1, surface.Height());
  for (long long y = y0; y < y1; ++y) {
    std::uint8_t* row = surface.ColourRow(static_cast<int>(y));
    for (long long x = x0; x < x1; ++x) {
      row[3 * x] = r;
      row[3 * x + 1] = g;
      row[3 * x + 2] = b;
    }
  }
}

}  // namespace

TFocusRingMetrics FocusRingMetrics(double scale) {
  return {std::max(1, ScaledPixels(kThickness, scale)), ScaledPixels(kInset, scale)};
}

void DrawFocusRing(TPngImage& surface, int left, int top, int width, int height, std::uint32_t colour,
                   const TFocusRingMetrics& metrics) {
  if (surface.Empty() || metrics.thickness <= 0) return;
  const auto r = static_cast<std::uint8_t>(colour & 0xFF);
  const auto g = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
  const auto b = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
  const long long inset = std::max(0, metrics.inset);
  const long long x0 = static_cast<long long>(left) + inset;
  const long long y0 = static_cast<long long>(top) + inset;
  const long long x1 = static_cast<long long>(left) + width - inset;
  const long long y1 = static_cast<long long>(top) + height - inset;
  if (x0 >= x1 || y0 >= y1) return;
  // Each band no deeper than half the ring's inside, so that opposite bands
  // meet rather than cross.
  const long long across = std::min<long long>(metrics.thickness, (x1 - x0 + 1) / 2);
  const long long down = std::min<long long>(metrics.thickness, (y1 - y0 + 1) / 2);
  Fill(surface, x0, y0, x1, y0 + down, r, g, b);          // top
  Fill(surface, x0, y1 - down, x1, y1, r, g, b);          // bottom
  Fill(surface, x0, y0 + down, x0 + across, y1 - down, r, g, b);  // left
  Fill(surface, x1 - across, y0 + down, x1, y1 - down, r, g, b);  // right
}

}  // namespace ui
