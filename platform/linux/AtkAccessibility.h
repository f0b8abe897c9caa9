// Screen readers on Linux: the windows' accessible content as ATK objects,
// served over AT-SPI by the ATK bridge (atk-bridge-adaptor).
//
// The tree a client sees: an application (named after the application) with
// one frame per window (named after the window), each holding the window's
// push buttons with their names, descriptions, states, places and a "click"
// action. The toolkit hooks ATK asks of its host (the root object, global
// event listeners for the bridge's signals) are installed here too.
//
// Nothing of this runs unless an accessibility bus can be reached: Start
// looks for one the way the bridge does (AT_SPI_BUS_ADDRESS, the display's
// AT_SPI_BUS property, org.a11y.Bus on the session bus), but never starts a
// session bus or an accessibility bus itself, and does nothing at all when
// it finds none. Once the bridge runs, the GLib main context it uses is run
// from the window system's own loop (Dispatch), never blocking it.
//
// Everything here is used from the user-interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "platform/Accessibility.h"

namespace platform::atk {

class AtkAccessibility;

// One window's frame and children.
class AtkWindow {
 public:
  struct Hooks {
    // The client area on the screen now.
    std::function<PixelRect()> screenRect;
    // Queue the default action of child `child` (returns at once).
    std::function<void(int child)> activate;
  };

  ~AtkWindow();
  AtkWindow(const AtkWindow&) = delete;
  AtkWindow& operator=(const AtkWindow&) = delete;

  // The window's content now and what changed: the objects follow it and
  // emit the matching ATK signals (state changes, focus, names, bounds).
  void Update(const AccessibleTree& tree, std::span<const AccessibleChange> changes);

  // The frame object while objects exist (for tests: an AtkObject*), or null.
  void* FrameObject() const;

  struct Impl;  // defined in the source

 private:
  friend class AtkAccessibility;
  AtkWindow(AtkAccessibility& owner, Hooks hooks);
  std::unique_ptr<Impl> impl_;
};

class AtkAccessibility {
 public:
  AtkAccessibility();
  ~AtkAccessibility();
  AtkAccessibility(const AtkAccessibility&) = delete;
  AtkAccessibility& operator=(const AtkAccessibility&) = delete;

  std::unique_ptr<AtkWindow> AddWindow(AtkWindow::Hooks hooks);

  // Whether an accessibility bus can be reached. `displayBus`: whether the
  // X display's root window carries AT_SPI_BUS.
  static bool BusPresent(bool displayBus);

  // Makes the ATK objects of every window and installs the toolkit hooks;
  // the bridge is not started. Start does this first; tests call it alone.
  void BuildObjects();
  // Builds the objects and starts the bridge, when BusPresent(displayBus).
  // False when nothing was started.
  bool Start(bool displayBus);
  bool Running() const { return running_; }
  // Runs whatever the GLib main context has ready, without waiting.
  void Dispatch();
  // Waits until one of `fds` has input or the GLib main context has work
  // (a client's request, a timeout of its own), and runs that work.
  void WaitAndDispatch(std::span<const int> fds);

  // The application object while objects exist (for tests), or null.
  void* RootObject() const;
  const std::vector<AtkWindow::Impl*>& Windows() const;

  struct Root;  // defined in the source

 private:
  friend class AtkWindow;
  friend struct AtkWindow::Impl;
  friend struct Root;
  std::unique_ptr<Root> root_;
  std::vector<AtkWindow::Impl*> windows_;
  bool running_ = false;
};

}  // namespace platform::atk
