// The focus ring: the outline a form draws inside the focused control's
// bounds once the focus cues are on.
#pragma once

#include <cstdint>

namespace ui {

class TPngImage;

struct TFocusRingMetrics {
  int thickness = 0;  // pixels of the outline's width
  int inset = 0;      // pixels between the control's edge and the outline
};

// The ring's metrics at a display scale (1 = 96 dots per inch): 2 pixels
// thick, 3 pixels inside the edge at 96 dpi, rounded to whole pixels, never
// thinner than 1.
TFocusRingMetrics FocusRingMetrics(double scale);

// Draws the outline of the rectangle (left, top, width, height) shrunk by
// `metrics.inset` on every side, `metrics.thickness` pixels wide, in
// `colour` (0xBBGGRR), opaque, on the colour plane of `surface`. Where the
// rectangle is too small for it, as much of the ring as fits; pixels outside
// the surface are left out.
void DrawFocusRing(TPngImage& surface, int left, int top, int width, int height, std::uint32_t colour,
                   const TFocusRingMetrics& metrics);

}  // namespace ui
