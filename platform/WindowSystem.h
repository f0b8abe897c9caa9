// Top-level windows, their input, and timers delivered through the event
// queue: what the user-interface framework's forms and application loop need
// of the platform.
//
// Linux: SDL2 (platform/linux/SdlWindowSystem.cpp); Windows: Win32
// (platform/windows/Win32WindowSystem.cpp). Tests use a backend of their own
// that records what would reach the screen.
//
// Everything here is called from the user-interface thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace platform {

struct AccessibleTree;
struct AccessibleChange;

struct WindowParams {
  int clientWidth = 0;
  int clientHeight = 0;
  bool borderless = false;
  bool taskbarButton = true;  // fixed at creation
};

enum class CursorShape : std::uint8_t { Arrow, Hand };

// A rectangle of client pixels.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const PixelRect&) const = default;
};

// A frame to present: 3 bytes per pixel (R, G, B), `stride` bytes from one
// row to the next, row 0 at the top; as large as the client area.
struct FrameView {
  const std::uint8_t* rgb = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;
};

// Straight (not premultiplied) RGBA, 4 bytes per pixel, rows top to bottom.
struct IconView {
  const std::uint8_t* rgba = nullptr;
  int width = 0;
  int height = 0;
};

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  // Identifies the window in events.
  virtual std::uint32_t Id() const = 0;

  // Maps the window and returns once it is mapped; the first show places it
  // centred on the screen. Its contents are undefined until the next Present.
  virtual void Show() = 0;
  virtual void Hide() = 0;

  virtual void SetTitle(std::u16string_view title) = 0;
  // The window's icon in several sizes: the platform picks the size for
  // each place it shows one (Linux: every size goes to the window manager).
  virtual void SetIcons(std::span<const IconView> sizes) = 0;
  void SetIcon(const IconView& icon) { SetIcons({&icon, 1}); }

  // Copies `rect` of `frame` to the screen; when this returns, the pixels are
  // on the display server.
  virtual void Present(const FrameView& frame, const PixelRect& rect) = 0;

  // The client area's top-left corner in screen coordinates, and moving it.
  virtual void GetPosition(int& x, int& y) const = 0;
  virtual void Move(int x, int y) = 0;

  // Resizes the client area, keeping its top-left corner. A window not yet
  // shown is still centred, at its new size, when it is first shown.
  virtual void SetClientSize(int width, int height) = 0;

  // The display scale the window is to be drawn at: the density of its
  // monitor in dots per inch over 96 (1 = 100 %), as the platform tells it;
  // not limited to any range. Windows: GetDpiForWindow, or the screen's
  // LOGPIXELSX, and the density of the last WM_DPICHANGED. Linux (the same
  // for every window): $VIDORRA_SCALE, else $GDK_SCALE, else the X resource
  // Xft.dpi over 96, else 1 (platform/DisplayScale.h).
  virtual double DisplayScale() const { return 1.0; }

  // Where the pointer is on the screen now, asked of the display (not taken
  // from queued events). False when that cannot be told.
  virtual bool PointerOnScreen(int& x, int& y) const = 0;

  virtual void SetCursor(CursorShape shape) = 0;

  // Ends the hold on the mouse that a press gives the window (Windows:
  // ReleaseCapture). Where the platform keeps none, nothing happens.
  virtual void ReleaseMouseCapture() {}

  // Lets the platform move the window with the mouse as if its caption bar
  // were dragged, and returns when that move has ended (Windows: a synchronous
  // WM_SYSCOMMAND 0xF012 to the window's own handler, whose default processing
  // runs the platform's move loop). False when the platform has no such move:
  // the caller then moves the window itself from the mouse events that follow.
  virtual bool SystemDragMove() { return false; }

  // What screen readers are shown of the window (platform/Accessibility.h):
  // its accessible content now, and what changed since the last call, which
  // clients are told. The platform serves clients from its own copy; their
  // requests come back as AccessibleAction events. Where the platform has no
  // accessibility, nothing happens.
  virtual void UpdateAccessible(const AccessibleTree& tree, std::span<const AccessibleChange> changes) {
    (void)tree;
    (void)changes;
  }
};

// The keys the framework acts on. Enter is the main key and the keypad's;
// every other key arrives as Other.
enum class KeyCode : std::uint8_t { Other, Tab, Enter, Space, Left, Right, Up, Down, Escape, F4 };

struct WindowEvent {
  enum class Type : std::uint8_t {
    None,
    MouseMove,   // x, y in client coordinates; only while the pointer is inside or a button is held
    MouseDown,   // button, x, y
    MouseUp,     // button, x, y
    MouseLeave,  // the pointer left the client area
    Close,       // the user asked the window to close
    Expose,      // the window's contents were lost and must be presented again
    Timer,       // timer: a tick of the timer started under that id
    Quit,        // the process was asked to end (e.g. SIGTERM)
    ScaleChanged,  // DisplayScale changed (the window moved to a monitor of another
                   // density); the platform has already moved and sized the window
                   // as it suggests (Windows: WM_DPICHANGED's rectangle)
    KeyDown,     // key, repeat, modifiers: a key went down while the window had the keyboard
    KeyUp,       // key, modifiers: it came up
    FocusLost,   // the window no longer has the keyboard: keys held now come up elsewhere
    AccessibleAction,  // child: a screen reader asked for that accessible child's default action
  };
  enum Button : std::uint8_t { Left = 0, Right = 1, Middle = 2 };
  enum Modifier : std::uint8_t { Shift = 1, Alt = 2, Ctrl = 4 };

  Type type = Type::None;
  std::uint32_t window = 0;
  int x = 0;
  int y = 0;
  std::uint8_t button = Left;
  std::uint8_t modifiers = 0;     // Modifier bits
  std::uint64_t timer = 0;
  KeyCode key = KeyCode::Other;
  // KeyDown: the key was already down (the keyboard's auto-repeat, or a key
  // held since before the window was shown or took the keyboard).
  bool repeat = false;
  int child = 0;  // AccessibleAction: the child, counted from 0
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual std::unique_ptr<NativeWindow> CreateWindow(const WindowParams& params) = 0;

  // Blocks until the next event.
  virtual void WaitEvent(WindowEvent& event) = 0;

  // Drops every mouse event (motion, press, release, leave) and every key
  // event that has reached the process so far, queued here or still in the
  // platform's own queue. Other events stay queued in their order. A key
  // that is down now counts as held: until it has come up, its KeyDowns
  // are repeats.
  virtual void DiscardMouseAndKeyInput() = 0;

  // Starts a one-shot timer: after `milliseconds` a Timer event with the
  // returned id (never 0) is queued. A stopped timer queues nothing more, but
  // a tick already queued is still delivered: compare ids.
  virtual std::uint64_t StartTimer(int milliseconds) = 0;
  virtual void StopTimer(std::uint64_t id) = 0;
};

// The platform's window system, or null (with a description in `error`) when
// no display can be opened.
std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& error);

}  // namespace platform
