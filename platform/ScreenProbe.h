// Reading pixels back from the display server, for the benchmarks that time
// when a program's first frame reaches the screen. Linux: Xlib.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class ScreenProbe {
 public:
  virtual ~ScreenProbe() = default;
  // The colour of screen pixel (x, y) as 0xRRGGBB.
  virtual std::uint32_t PixelAt(int x, int y) = 0;
  // The screen's size in pixels.
  virtual void Size(int& width, int& height) = 0;
};

// Null when the display named by $DISPLAY cannot be opened.
std::unique_ptr<ScreenProbe> OpenScreenProbe();

}  // namespace platform
