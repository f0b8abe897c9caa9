// The display scale a form is drawn at, and how lengths of a layout made in
// pixels at 96 dpi become device pixels at that scale.
//
// A scale is the window's density over 96 dpi, limited to 1 .. 3 (100 % to
// 300 %), held exactly as a whole number of 1/9600ths, so that a density of
// 120 or 144 dpi, or a factor such as 1.3, is represented without error and
// every rounding below is exact.
//
// Rounding. Edges are rounded, not sizes: a control at (left, top) of size
// (width, height) in the layout covers device pixels [Edge(left),
// Edge(left + width)) across and the same downwards, with
// Edge(v) = floor(v * s + 1/2). Rounding is monotonic, so two controls that
// meet at 96 dpi still meet (Cut above Join, Edit beside Cut share no pixel
// and leave none between them that the layout does not), and a gap of at
// least one layout pixel stays a gap of at least one device pixel. The cost:
// controls of one layout size may differ by a pixel on the screen (at 150 %
// Edit is 256 pixels wide and Cut 257). Lengths that are no edges of the
// layout (font heights, offsets inside a control) are rounded half away
// from zero, so that a negative font height scales like a positive one.
#pragma once

#include <compare>
#include <cstdint>

namespace ui {

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TRect&) const = default;
};

class TScale {
 public:
  static constexpr std::int64_t kDenominator = 9600;
  static constexpr std::int64_t kMinimum = kDenominator;      // 100 %
  static constexpr std::int64_t kMaximum = 3 * kDenominator;  // 300 %

  // 100 %.
  constexpr TScale() = default;

  // `factor` (device pixels per layout pixel) to the nearest 1/9600th,
  // limited to 1 .. 3; anything that is not a finite number gives 1.
  static TScale FromFactor(double factor);
  // A density in dots per inch over 96, limited the same way.
  static TScale FromDpi(int dpi);
  // `percent` / 100, limited the same way.
  static TScale FromPercent(int percent);

  // The scale in 1/9600ths (9600 = 100 %).
  std::int64_t Units() const { return units_; }
  double Factor() const { return static_cast<double>(units_) / kDenominator; }
  bool IsIdentity() const { return units_ == kDenominator; }
  bool operator==(const TScale&) const = default;
  auto operator<=>(const TScale&) const = default;

  // A coordinate of the layout, in device pixels: floor(value * s + 1/2).
  int Edge(int value) const;
  // A length that is no edge of the layout: |value| * s rounded half up,
  // with the sign of `value`.
  int Length(int value) const;
  // A rectangle of the layout, edge by edge.
  TRect Bounds(int left, int top, int width, int height) const;

 private:
  explicit constexpr TScale(std::int64_t units) : units_(units) {}

  std::int64_t units_ = kDenominator;
};

}  // namespace ui
