#include "platform/ScreenProbe.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform {
namespace {

class XScreenProbe final : public ScreenProbe {
 public:
  explicit XScreenProbe(Display* display) : display_(display) {}
  ~XScreenProbe() override { XCloseDisplay(display_); }
  XScreenProbe(const XScreenProbe&) = delete;
  XScreenProbe& operator=(const XScreenProbe&) = delete;

  std::uint32_t PixelAt(int x, int y) override {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(pixel & 0xFFFFFFu);
  }

  void Size(int& width, int& height) override {
    width = DisplayWidth(display_, DefaultScreen(display_));
    height = DisplayHeight(display_, DefaultScreen(display_));
  }

 private:
  Display* display_;
};

}  // namespace

std::unique_ptr<ScreenProbe> OpenScreenProbe() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  return std::make_unique<XScreenProbe>(display);
}

}  // namespace platform
