// A small program over the window-system contract, for the window tests
// under Wine (window-test.sh drives it with xdotool and reads what it prints).
//
// Usage: windowprobe.exe <program> <parameters>
//
// One borderless 320 x 200 window titled "WindowProbe", centred, with flat
// colours the test reads back from the screen:
//   background (40, 60, 90)    a press there drags the window
//   button at (20, 20, 120 x 60): normal (200, 200, 200), pointer over it
//       (0, 160, 0), pressed (200, 0, 0); hand cursor; a click starts
//       <program> with <parameters>, hides the window while it runs, and
//       shows it again after
//   close box at (280, 10, 30 x 30): (90, 0, 0); a click ends the program
// It prints one line per thing that happened, flushed at once.
#include "platform/Process.h"
#include "platform/WindowSystem.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

struct Rect {
  int left, top, width, height;
  bool Contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};
constexpr Rect kButton{20, 20, 120, 60};
constexpr Rect kCloseBox{280, 10, 30, 30};

struct Colour {
  std::uint8_t r, g, b;
};
constexpr Colour kBackground{40, 60, 90}, kNormal{200, 200, 200}, kHover{0, 160, 0}, kPressed{200, 0, 0},
    kCloseColour{90, 0, 0};

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::u16string Wide(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

class Probe {
 public:
  Probe(platform::WindowSystem& system, platform::NativeWindow& window, std::u16string program,
        std::u16string parameters)
      : system_(system), window_(window), program_(std::move(program)), parameters_(std::move(parameters)),
        frame_(static_cast<std::size_t>(kWidth) * kHeight * 3) {
    Fill({0, 0, kWidth, kHeight}, kBackground);
    Fill(kButton, kNormal);
    Fill(kCloseBox, kCloseColour);
  }

  void ShowAll() {
    window_.Show();
    window_.Present(View(), {0, 0, kWidth, kHeight});
  }

  // Returns false when the program should end.
  bool Handle(const platform::WindowEvent& event) {
    using Type = platform::WindowEvent::Type;
    switch (event.type) {
      case Type::MouseMove:
        if (!pressed_) SetHover(kButton.Contains(event.x, event.y));
        return true;
      case Type::MouseLeave:
        Say("leave");
        if (!pressed_) SetHover(false);
        return true;
      case Type::MouseDown:
        held_ = static_cast<std::uint8_t>(held_ | (1u << event.button));
        Say("down " + std::to_string(event.button) + " " + std::to_string(event.x) + " " + std::to_string(event.y));
        if (kButton.Contains(event.x, event.y)) {
          pressed_ = true;
          Paint(kButton, kPressed);
        } else if (!kCloseBox.Contains(event.x, event.y)) {
          window_.ReleaseMouseCapture();
          const bool system = window_.SystemDragMove();
          int x = 0, y = 0;
          window_.GetPosition(x, y);
          Say(std::string(system ? "system drag" : "no system drag") + " ended at " + std::to_string(x) + " " +
              std::to_string(y));
        }
        return true;
      case Type::MouseUp:
        held_ = static_cast<std::uint8_t>(held_ & ~(1u << event.button));
        Say("up " + std::to_string(event.button) + " " + std::to_string(event.x) + " " + std::to_string(event.y) +
            " held " + std::to_string(held_));
        if (kCloseBox.Contains(event.x, event.y)) {
          Say("closed");
          return false;
        }
        if (pressed_ && held_ == 0) {
          pressed_ = false;
          const bool inside = kButton.Contains(event.x, event.y);
          hover_ = !inside;  // repaint whatever it is now
          SetHover(inside);
          if (inside) Launch();
        }
        return true;
      case Type::Timer:
        Say(event.timer == stoppedTimer_ ? "stopped timer ticked" : "timer");
        return true;
      case Type::Close:
        Say("close request");
        return false;
      case Type::Quit:
        Say("quit");
        return false;
      case Type::Expose:
        window_.Present(View(), {0, 0, kWidth, kHeight});
        return true;
      default:
        return true;
    }
  }

  void StartTimers() {
    system_.StartTimer(300);
    stoppedTimer_ = system_.StartTimer(100);
    system_.StopTimer(stoppedTimer_);
  }

 private:
  platform::FrameView View() const { return {frame_.data(), kWidth, kHeight, kWidth * 3}; }

  void Fill(const Rect& r, Colour c) {
    for (int y = r.top; y < r.top + r.height; ++y)
      for (int x = r.left; x < r.left + r.width; ++x) {
        std::uint8_t* p = &frame_[(static_cast<std::size_t>(y) * kWidth + x) * 3];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
      }
  }
  void Paint(const Rect& r, Colour c) {
    Fill(r, c);
    window_.Present(View(), {r.left, r.top, r.width, r.height});
  }

  void SetHover(bool hover) {
    if (hover == hover_) return;
    hover_ = hover;
    Say(hover ? "enter button" : "leave button");
    window_.SetCursor(hover ? platform::CursorShape::Hand : platform::CursorShape::Arrow);
    Paint(kButton, hover ? kHover : kNormal);
  }

  void Launch() {
    platform::ChildProcess child = platform::StartChildProcess(program_, parameters_);
    if (!child.Started()) {
      Say("start failed");
      return;
    }
    Say("started");
    window_.Hide();
    child.Wait();
    Say("child ended");
    hover_ = false;
    Fill(kButton, kNormal);
    ShowAll();
  }

  platform::WindowSystem& system_;
  platform::NativeWindow& window_;
  std::u16string program_;
  std::u16string parameters_;
  std::vector<std::uint8_t> frame_;
  bool hover_ = false;
  bool pressed_ = false;
  std::uint8_t held_ = 0;  // buttons seen going down and not yet up
  std::uint64_t stoppedTimer_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    Say("usage: windowprobe <program> <parameters>");
    return 2;
  }
  std::string error;
  std::unique_ptr<platform::WindowSystem> system = platform::OpenWindowSystem(error);
  if (!system) {
    Say("no window system: " + error);
    return 1;
  }
  platform::WindowParams params;
  params.clientWidth = kWidth;
  params.clientHeight = kHeight;
  params.borderless = true;
  params.taskbarButton = true;
  std::unique_ptr<platform::NativeWindow> window = system->CreateWindow(params);
  if (!window) {
    Say("no window");
    return 1;
  }
  window->SetTitle(u"WindowProbe");
  // A 16 x 16 icon: opaque red left half, transparent right half.
  std::vector<std::uint8_t> icon(16 * 16 * 4);
  for (int i = 0; i < 16 * 16; ++i) {
    const bool left = i % 16 < 8;
    icon[4 * i] = 255;
    icon[4 * i + 3] = left ? 255 : 0;
  }
  window->SetIcon({icon.data(), 16, 16});

  Probe probe(*system, *window, Wide(argv[1]), Wide(argv[2]));
  probe.ShowAll();
  int x = 0, y = 0;
  window->GetPosition(x, y);
  Say("shown at " + std::to_string(x) + " " + std::to_string(y));
  probe.StartTimers();
  for (;;) {
    platform::WindowEvent event;
    system->WaitEvent(event);
    if (!probe.Handle(event)) break;
  }
  return 0;
}
