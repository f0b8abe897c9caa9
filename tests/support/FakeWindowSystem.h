// A window system without a display: windows keep what is presented to them
// in a screen image of their own, events come from a queue the test fills,
// and timers fall due when the test says so. Every call that reaches a
// window is also written to a journal, for checking the order of things.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Accessibility.h"
#include "platform/WindowSystem.h"
#include "ui/PngImage.h"

namespace testsupport {

class FakeWindowSystem;

class FakeWindow final : public platform::NativeWindow {
 public:
  FakeWindow(FakeWindowSystem& system, std::uint32_t id, const platform::WindowParams& params);
  ~FakeWindow() override;

  std::uint32_t Id() const override { return id; }
  void Show() override;
  void Hide() override;
  void SetTitle(std::u16string_view text) override { title = text; }
  void SetIcons(std::span<const platform::IconView> sizes) override {
    iconSizes.clear();
    for (const auto& icon : sizes) iconSizes.push_back(icon.width);
  }
  void Present(const platform::FrameView& frame, const platform::PixelRect& rect) override;
  void GetPosition(int& outX, int& outY) const override {
    outX = x;
    outY = y;
  }
  void Move(int toX, int toY) override {
    x = toX;
    y = toY;
  }
  void SetClientSize(int width, int height) override;
  double DisplayScale() const override { return scale; }
  bool PointerOnScreen(int& outX, int& outY) const override;
  void SetCursor(platform::CursorShape shape) override { cursor = shape; }
  void UpdateAccessible(const platform::AccessibleTree& tree,
                        std::span<const platform::AccessibleChange> changes) override {
    accessible = tree;
    accessibleChanges.insert(accessibleChanges.end(), changes.begin(), changes.end());
  }

  FakeWindowSystem& system;
  std::uint32_t id;
  platform::WindowParams params;
  bool visible = false;
  int x = 100;
  int y = 100;
  std::u16string title;
  std::vector<int> iconSizes;
  platform::CursorShape cursor = platform::CursorShape::Arrow;
  double scale;                               // what DisplayScale answers
  ui::TPngImage screen;                       // what the window shows
  std::vector<platform::PixelRect> presents;  // every Present, in order
  platform::AccessibleTree accessible;        // as last given
  std::vector<platform::AccessibleChange> accessibleChanges;  // every change given, in order
};

class FakeWindowSystem final : public platform::WindowSystem {
 public:
  std::unique_ptr<platform::NativeWindow> CreateWindow(const platform::WindowParams& params) override {
    auto window = std::make_unique<FakeWindow>(*this, nextId++, params);
    windows[window->id] = window.get();
    return window;
  }

  // Takes the next queued event; when none is left, runs `whenIdle` once
  // (it may queue more) and then reports Quit, so a loop always ends.
  void WaitEvent(platform::WindowEvent& event) override {
    if (queue.empty() && whenIdle) {
      auto idle = std::move(whenIdle);
      whenIdle = nullptr;
      idle();
    }
    if (queue.empty()) {
      event = {};
      event.type = platform::WindowEvent::Type::Quit;
      return;
    }
    event = queue.front();
    queue.pop_front();
    journal.push_back("event " + std::to_string(static_cast<int>(event.type)));
    // The display's pointer is where the event says, relative to the window
    // where it is now.
    using Type = platform::WindowEvent::Type;
    const auto window = windows.find(event.window);
    if (window != windows.end() &&
        (event.type == Type::MouseMove || event.type == Type::MouseDown || event.type == Type::MouseUp))
      pointer = {window->second->x + event.x, window->second->y + event.y};
  }

  void DiscardMouseAndKeyInput() override {
    using Type = platform::WindowEvent::Type;
    std::erase_if(queue, [](const platform::WindowEvent& e) {
      return e.type == Type::MouseMove || e.type == Type::MouseDown || e.type == Type::MouseUp ||
             e.type == Type::MouseLeave || e.type == Type::KeyDown || e.type == Type::KeyUp;
    });
    journal.push_back("discard mouse and key input");
  }

  std::uint64_t StartTimer(int milliseconds) override {
    const std::uint64_t id = ++lastTimer;
    timers[id] = milliseconds;
    journal.push_back("start timer " + std::to_string(milliseconds));
    return id;
  }
  void StopTimer(std::uint64_t id) override {
    timers.erase(id);
    journal.push_back("stop timer");
  }

  // Queues the tick of every running timer (the platform's are one-shot).
  void FireTimers() {
    for (const auto& [id, ms] : timers) {
      platform::WindowEvent event;
      event.type = platform::WindowEvent::Type::Timer;
      event.timer = id;
      queue.push_back(event);
    }
    timers.clear();
  }

  void Mouse(platform::WindowEvent::Type type, std::uint32_t window, int x, int y,
             std::uint8_t button = platform::WindowEvent::Left) {
    platform::WindowEvent event;
    event.type = type;
    event.window = window;
    event.x = x;
    event.y = y;
    event.button = button;
    queue.push_back(event);
  }
  void Key(platform::WindowEvent::Type type, std::uint32_t window, platform::KeyCode key,
           std::uint8_t modifiers = 0, bool repeat = false) {
    platform::WindowEvent event;
    event.type = type;
    event.window = window;
    event.key = key;
    event.modifiers = modifiers;
    event.repeat = repeat;
    queue.push_back(event);
  }
  void Push(platform::WindowEvent::Type type, std::uint32_t window = 0) {
    platform::WindowEvent event;
    event.type = type;
    event.window = window;
    queue.push_back(event);
  }

  std::map<std::uint32_t, FakeWindow*> windows;  // the live ones
  std::deque<platform::WindowEvent> queue;
  std::function<void()> whenIdle;
  std::map<std::uint64_t, int> timers;  // running: id -> milliseconds
  std::vector<std::string> journal;
  std::optional<std::pair<int, int>> pointer;  // on the screen; unknown until set
  double scale = 1.0;                          // the display scale of windows created from now on
  std::uint32_t nextId = 1;
  std::uint64_t lastTimer = 0;
};

inline FakeWindow::FakeWindow(FakeWindowSystem& owner, std::uint32_t windowId, const platform::WindowParams& windowParams)
    : system(owner),
      id(windowId),
      params(windowParams),
      scale(owner.scale),
      screen(windowParams.clientWidth, windowParams.clientHeight, false) {}

inline FakeWindow::~FakeWindow() { system.windows.erase(id); }

inline void FakeWindow::SetClientSize(int width, int height) {
  params.clientWidth = width;
  params.clientHeight = height;
  screen.Resize(width, height);
  system.journal.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
}

inline void FakeWindow::Show() {
  visible = true;
  system.journal.push_back("show");
}

inline void FakeWindow::Hide() {
  visible = false;
  system.journal.push_back("hide");
}

inline bool FakeWindow::PointerOnScreen(int& outX, int& outY) const {
  if (!system.pointer) return false;
  outX = system.pointer->first;
  outY = system.pointer->second;
  return true;
}

inline void FakeWindow::Present(const platform::FrameView& frame, const platform::PixelRect& rect) {
  presents.push_back(rect);
  system.journal.push_back("present");
  for (int row = std::max(0, rect.top); row < std::min(frame.height, rect.top + rect.height); ++row)
    for (int col = std::max(0, rect.left); col < std::min(frame.width, rect.left + rect.width); ++col)
      for (int c = 0; c < 3; ++c) screen.ColourRow(row)[3 * col + c] = frame.rgb[row * frame.stride + 3 * col + c];
}

}  // namespace testsupport
