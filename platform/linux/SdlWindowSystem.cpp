// The window system on SDL2 (X11). The settings below are what makes
// presenting synchronous and input reliable under X11 and Xvfb:
// - framebuffer acceleration off: SDL_UpdateWindowSurfaceRects puts the pixels
//   on the server before it returns, and the X window is never recreated;
// - click-through on focus: a press right after the pointer enters counts;
// - no quit on closing the last window: a close request is the form's to
//   handle; SDL_QUIT then means a signal (SIGINT, SIGTERM).
// Five things are asked of Xlib directly: where the pointer is on the screen
// (SDL's global mouse state is cached while a button is held), which keys
// are down (SDL forgets them whenever the window loses the keyboard), what
// happens when the connection to the display is lost (the process ends
// quietly with exit code 0, as every other end of the launcher does), that
// SDL's wake-up of a window being destroyed is no fatal error, and the
// resource Xft.dpi, one source of the display scale (SDL 2.26 scales nothing
// on X11, and SDL_GetDisplayDPI fails on Xvfb).
//
// Keys: SDL_KEYDOWN / SDL_KEYUP, with no text input. SDL's own repeat flag
// only knows presses it saw since the window last took the keyboard, so the
// window system keeps the keys it follows held from their press (or from a
// show that found them down) to their release.
//
// Screen readers (platform/linux/AtkAccessibility.h): once the first event is
// waited for (the first frame is out by then), the windows' accessible
// objects are served over AT-SPI if an accessibility bus can be reached.
// Only then does the wait change: it polls the X connection and the GLib
// main context together, and a timer's tick wakes it through an eventfd.
#include "platform/WindowSystem.h"

#include "platform/Accessibility.h"
#include "platform/DisplayScale.h"
#include "platform/TextEncoding.h"

#include "platform/linux/AtkAccessibility.h"
#include "platform/linux/X11Display.h"
#include "platform/linux/XrgbRows.h"

#include <SDL.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform {
namespace {

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
struct CursorDeleter {
  void operator()(SDL_Cursor* cursor) const { SDL_FreeCursor(cursor); }
};
struct WindowDeleter {
  void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};

// The keys whose held state the window system follows, and what they are.
constexpr std::int32_t kFollowedKeys[] = {SDLK_TAB,  SDLK_RETURN, SDLK_KP_ENTER, SDLK_SPACE,  SDLK_LEFT,
                                          SDLK_RIGHT, SDLK_UP,     SDLK_DOWN,     SDLK_ESCAPE, SDLK_F4};
constexpr KeyCode kFollowedKeyCodes[] = {KeyCode::Tab,   KeyCode::Enter, KeyCode::Enter,  KeyCode::Space, KeyCode::Left,
                                         KeyCode::Right, KeyCode::Up,    KeyCode::Down,   KeyCode::Escape, KeyCode::F4};
static_assert(std::size(kFollowedKeys) == std::size(kFollowedKeyCodes) && std::size(kFollowedKeys) <= 32);

// The index of `key` in kFollowedKeys, or -1.
int FollowedKey(SDL_Keycode key) {
  for (std::size_t i = 0; i < std::size(kFollowedKeys); ++i)
    if (kFollowedKeys[i] == key) return static_cast<int>(i);
  return -1;
}

class SdlWindow final : public NativeWindow {
 public:
  SdlWindow(SDL_Window* window, SDL_Cursor* arrow, SDL_Cursor* hand, double scale, std::set<SDL_Window*>& registry)
      : window_(window), arrow_(arrow), hand_(hand), scale_(scale), registry_(registry) {
    registry_.insert(window);
  }
  ~SdlWindow() override {
    accessible_.reset();
    registry_.erase(window_.get());
  }
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  void SetAccessible(std::unique_ptr<atk::AtkWindow> accessible) { accessible_ = std::move(accessible); }
  void UpdateAccessible(const AccessibleTree& tree, std::span<const AccessibleChange> changes) override {
    if (accessible_) accessible_->Update(tree, changes);
  }

  std::uint32_t Id() const override { return SDL_GetWindowID(window_.get()); }

  void Show() override {
    shown_ = true;
    SDL_ShowWindow(window_.get());
  }
  void Hide() override { SDL_HideWindow(window_.get()); }

  void SetTitle(std::u16string_view title) override {
    SDL_SetWindowTitle(window_.get(), Utf8FromUtf16(title).c_str());
  }

  void SetIcons(std::span<const IconView> sizes) override {
    std::vector<unsigned long> cardinals;
    const IconView* largest = nullptr;
    for (const IconView& icon : sizes) {
      if (icon.rgba == nullptr || icon.width <= 0 || icon.height <= 0) continue;
      if (largest == nullptr || icon.width > largest->width) largest = &icon;
      cardinals.push_back(static_cast<unsigned long>(icon.width));
      cardinals.push_back(static_cast<unsigned long>(icon.height));
      const std::uint8_t* p = icon.rgba;
      for (int i = 0; i < icon.width * icon.height; ++i, p += 4)
        cardinals.push_back((static_cast<unsigned long>(p[3]) << 24) | (static_cast<unsigned long>(p[0]) << 16) |
                            (static_cast<unsigned long>(p[1]) << 8) | p[2]);
    }
    if (largest == nullptr || x11::SetWindowIcons(window_.get(), cardinals)) return;
    // Another driver: SDL takes one picture.
    std::unique_ptr<SDL_Surface, SurfaceDeleter> surface(SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(largest->rgba), largest->width, largest->height, 32, largest->width * 4,
        SDL_PIXELFORMAT_RGBA32));
    if (surface) SDL_SetWindowIcon(window_.get(), surface.get());
  }

  void Present(const FrameView& frame, const PixelRect& rect) override {
    SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
    if (surface == nullptr || frame.rgb == nullptr) return;
    const int left = std::max(0, rect.left);
    const int top = std::max(0, rect.top);
    const int right = std::min({rect.left + rect.width, frame.width, surface->w});
    const int bottom = std::min({rect.top + rect.height, frame.height, surface->h});
    if (left >= right || top >= bottom) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    const SDL_PixelFormat* format = surface->format;
    const bool xrgb = format->BytesPerPixel == 4 && format->Rmask == 0x00FF0000u &&
                      format->Gmask == 0x0000FF00u && format->Bmask == 0x000000FFu;
    for (int y = top; y < bottom; ++y) {
      const std::uint8_t* src = frame.rgb + y * frame.stride + 3 * left;
      auto* row = static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch;
      if (xrgb) {
        detail::RgbToXrgb(src, reinterpret_cast<std::uint32_t*>(row) + left, static_cast<std::size_t>(right - left));
      } else {
        for (int x = left; x < right; ++x, src += 3) {
          const Uint32 pixel = SDL_MapRGB(format, src[0], src[1], src[2]);
          SDL_memcpy(row + x * format->BytesPerPixel, &pixel, format->BytesPerPixel);
        }
      }
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    const SDL_Rect area{left, top, right - left, bottom - top};
    SDL_UpdateWindowSurfaceRects(window_.get(), &area, 1);
  }

  void GetPosition(int& x, int& y) const override { SDL_GetWindowPosition(window_.get(), &x, &y); }

  bool PointerOnScreen(int& x, int& y) const override { return x11::PointerOnScreen(window_.get(), x, y); }
  void Move(int x, int y) override { SDL_SetWindowPosition(window_.get(), x, y); }

  void SetClientSize(int width, int height) override {
    SDL_SetWindowSize(window_.get(), std::max(1, width), std::max(1, height));
    // SDL centred the window at creation for the size it had then.
    if (!shown_) SDL_SetWindowPosition(window_.get(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }

  double DisplayScale() const override { return scale_; }

  void SetCursor(CursorShape shape) override {
    SDL_Cursor* cursor = shape == CursorShape::Hand ? hand_ : arrow_;
    if (cursor != nullptr && SDL_GetCursor() != cursor) SDL_SetCursor(cursor);
  }

 private:
  std::unique_ptr<SDL_Window, WindowDeleter> window_;
  SDL_Cursor* arrow_;  // owned by the window system
  SDL_Cursor* hand_;
  double scale_;
  bool shown_ = false;
  std::set<SDL_Window*>& registry_;  // the window system's live windows
  std::unique_ptr<atk::AtkWindow> accessible_;  // goes before the window
};

class SdlWindowSystem final : public WindowSystem {
 public:
  SdlWindowSystem() = default;
  SdlWindowSystem(const SdlWindowSystem&) = delete;
  SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

  ~SdlWindowSystem() override {
    for (const auto& [id, sdlId] : timers_) SDL_RemoveTimer(sdlId);
    accessibility_.reset();
    wakeFd_.store(-1);
    if (wake_ >= 0) ::close(wake_);
    arrow_.reset();
    hand_.reset();
    SDL_Quit();
  }

  bool Open(std::string& error) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // X11 (a Wayland desktop has XWayland): SDL's other drivers either show
    // nothing or complain on standard error when they find no display.
    // SDL_VIDEODRIVER, when set, still decides.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    // Before SDL_Init: SDL keeps the handler it finds, chains to it, and puts
    // it back when it closes its connections, which is when such an error
    // may still arrive.
    x11::IgnoreWakeUpsOfGoneWindows();
    // Video before the timer: the timer starts a thread, and in a process
    // with more than one thread the C library locks every getc, which the X
    // input method's start-up calls for each character of a compose table
    // it reads. It reads none here (see ScopedEmptyComposeTable), and the
    // environment changes back before SDL starts a thread of its own.
    bool video = false;
    {
      const x11::ScopedEmptyComposeTable emptyComposeTable;
      video = SDL_Init(SDL_INIT_VIDEO) == 0;
    }
    if (!video || SDL_InitSubSystem(SDL_INIT_TIMER) != 0) {
      error = SDL_GetError();
      SDL_Quit();
      return false;
    }
    // Without a display SDL falls back to drivers that show nothing; a
    // window nobody can see is no window, unless that driver was asked for.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
    if (driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        (wanted == nullptr || SDL_strcasecmp(wanted, driver) != 0)) {
      error = std::string("no display (SDL chose the ") + driver + " driver)";
      return false;
    }
    if (driver != nullptr && SDL_strcmp(driver, "x11") == 0) x11::EndQuietlyWhenTheDisplayIsLost();
    timerEvent_ = SDL_RegisterEvents(1);
    timerEventType_.store(timerEvent_);
    if (timerEvent_ == static_cast<Uint32>(-1)) {
      error = "no user event left for timers";
      return false;
    }
    arrow_.reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW));
    hand_.reset(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND));
    return true;
  }

  std::unique_ptr<NativeWindow> CreateWindow(const WindowParams& params) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (params.borderless) flags |= SDL_WINDOW_BORDERLESS;
    if (!params.taskbarButton) flags |= SDL_WINDOW_SKIP_TASKBAR;
    SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          params.clientWidth, params.clientHeight, flags);
    if (window == nullptr) return nullptr;
    if (!scale_) scale_ = Scale(window);
    auto created = std::make_unique<SdlWindow>(window, arrow_.get(), hand_.get(), *scale_, windows_);
    const std::uint32_t id = SDL_GetWindowID(window);
    atk::AtkWindow::Hooks hooks;
    hooks.screenRect = [window] {
      PixelRect r;
      SDL_GetWindowPosition(window, &r.left, &r.top);
      SDL_GetWindowSize(window, &r.width, &r.height);
      return r;
    };
    hooks.activate = [this, id](int child) {
      WindowEvent event;
      event.type = WindowEvent::Type::AccessibleAction;
      event.window = id;
      event.child = child;
      posted_.push_back(event);
    };
    created->SetAccessible(accessibility_->AddWindow(std::move(hooks)));
    return created;
  }

  void WaitEvent(WindowEvent& out) override {
    StartAccessibility();
    for (;;) {
      if (!posted_.empty()) {
        out = posted_.front();
        posted_.pop_front();
        return;
      }
      SDL_Event event;
      if (accessibility_->Running()) {
        accessibility_->Dispatch();
        if (!posted_.empty()) continue;
        SDL_PumpEvents();
        if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) {
          const int fds[] = {displayFd_, wake_};
          accessibility_->WaitAndDispatch(fds);
          std::uint64_t ticks = 0;
          while (::read(wake_, &ticks, sizeof ticks) > 0) {
          }
          continue;
        }
      } else if (SDL_WaitEvent(&event) == 0) {
        // The queue broke down: nothing more will come.
        out = WindowEvent{};
        out.type = WindowEvent::Type::Quit;
        return;
      }
      if (Translate(event, out)) return;
    }
  }

  void DiscardMouseAndKeyInput() override {
    // Everything that reached the process goes to SDL's queue first.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_MOUSEMOTION, SDL_MOUSEWHEEL);
    SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
    // A key down now went down before: held until it comes up.
    if (!windows_.empty()) {
      std::uint32_t down = 0;
      if (x11::KeysDown(*windows_.begin(), kFollowedKeys, down)) heldKeys_ = down;
    }
    // A leave that was queued goes too (the form takes hover from where the
    // pointer is); SDL has followed every enter and leave pumped so far.
    pointerInside_ = SDL_GetMouseFocus() != nullptr;
    SDL_Event events[32];
    std::vector<SDL_Event> kept;
    for (;;) {
      const int n = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
      if (n <= 0) break;
      for (int i = 0; i < n; ++i)
        if (!(events[i].type == SDL_WINDOWEVENT && events[i].window.event == SDL_WINDOWEVENT_LEAVE))
          kept.push_back(events[i]);
    }
    if (!kept.empty())
      SDL_PeepEvents(kept.data(), static_cast<int>(kept.size()), SDL_ADDEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
  }

  std::uint64_t StartTimer(int milliseconds) override {
    const std::uint64_t id = ++lastTimer_;
    const SDL_TimerID sdlId = SDL_AddTimer(static_cast<Uint32>(std::max(1, milliseconds)), &TimerFired,
                                           reinterpret_cast<void*>(static_cast<std::uintptr_t>(id)));
    if (sdlId != 0) timers_[id] = sdlId;
    return id;
  }

  void StopTimer(std::uint64_t id) override {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return;
    SDL_RemoveTimer(found->second);
    timers_.erase(found);
  }

 private:
  // Runs on SDL's timer thread: queue one tick (the id travels in data1) and
  // end the timer. While the wait polls by itself, the eventfd wakes it.
  static Uint32 TimerFired(Uint32, void* param) {
    SDL_Event event{};
    event.type = timerEventType_.load();
    event.user.data1 = param;
    SDL_PushEvent(&event);
    if (const int fd = wakeFd_.load(); fd >= 0) {
      const std::uint64_t one = 1;
      (void)!::write(fd, &one, sizeof one);
    }
    return 0;
  }

  // The display scale of every window, read once (with the first window: the
  // resource database comes with the display's connection).
  static double Scale(SDL_Window* window) {
    DisplayScaleSources sources;
    if (const char* value = SDL_getenv("VIDORRA_SCALE")) sources.vidorraScale = value;
    if (const char* value = SDL_getenv("GDK_SCALE")) sources.gdkScale = value;
    sources.xftDpi = x11::ResourceValue(window, "Xft.dpi", "Xft.Dpi");
    return DisplayScaleFrom(sources);
  }

  // Once, at the first wait: serve the windows to screen readers if an
  // accessibility bus can be reached (only over X, whose connection the wait
  // can then poll).
  void StartAccessibility() {
    if (accessibilityTried_) return;
    accessibilityTried_ = true;
    if (windows_.empty()) return;
    SDL_Window* any = *windows_.begin();
    displayFd_ = x11::ConnectionFd(any);
    if (displayFd_ < 0) return;
    wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_ < 0) return;
    wakeFd_.store(wake_);
    if (!accessibility_->Start(x11::RootHasProperty(any, "AT_SPI_BUS"))) {
      wakeFd_.store(-1);
      ::close(wake_);
      wake_ = -1;
    }
  }

  static std::uint8_t Modifiers() {
    const SDL_Keymod mods = SDL_GetModState();
    std::uint8_t out = 0;
    if ((mods & KMOD_SHIFT) != 0) out |= WindowEvent::Shift;
    if ((mods & KMOD_ALT) != 0) out |= WindowEvent::Alt;
    if ((mods & KMOD_CTRL) != 0) out |= WindowEvent::Ctrl;
    return out;
  }

  static bool ButtonOf(Uint8 sdlButton, std::uint8_t& button) {
    switch (sdlButton) {
      case SDL_BUTTON_LEFT: button = WindowEvent::Left; return true;
      case SDL_BUTTON_RIGHT: button = WindowEvent::Right; return true;
      case SDL_BUTTON_MIDDLE: button = WindowEvent::Middle; return true;
      default: return false;
    }
  }

  bool Translate(const SDL_Event& event, WindowEvent& out) {
    out = WindowEvent{};
    out.modifiers = Modifiers();
    switch (event.type) {
      case SDL_QUIT:
        out.type = WindowEvent::Type::Quit;
        return true;
      case SDL_MOUSEMOTION:
        // After leaving, SDL reports one more motion at (0, 0): while the
        // pointer is outside and no button holds it, motion is not ours.
        if (!pointerInside_ && event.motion.state == 0) return false;
        out.type = WindowEvent::Type::MouseMove;
        out.window = event.motion.windowID;
        out.x = event.motion.x;
        out.y = event.motion.y;
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        if (!ButtonOf(event.button.button, out.button)) return false;
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        out.type = down ? WindowEvent::Type::MouseDown : WindowEvent::Type::MouseUp;
        out.window = event.button.windowID;
        out.x = event.button.x;
        out.y = event.button.y;
        return true;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        return TranslateKey(event.key, out);
      case SDL_WINDOWEVENT:
        out.window = event.window.windowID;
        switch (event.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED: {
            // Keys that came up while another window had the keyboard are
            // held no longer. (Not the other way round: a press queued
            // behind this event is down now and is no repeat.)
            std::uint32_t down = 0;
            if (SDL_Window* window = SDL_GetWindowFromID(event.window.windowID);
                window != nullptr && x11::KeysDown(window, kFollowedKeys, down))
              heldKeys_ &= down;
            return false;
          }
          case SDL_WINDOWEVENT_FOCUS_LOST:
            out.type = WindowEvent::Type::FocusLost;
            return true;
          case SDL_WINDOWEVENT_ENTER:
            pointerInside_ = true;
            return false;
          case SDL_WINDOWEVENT_LEAVE:
            pointerInside_ = false;
            out.type = WindowEvent::Type::MouseLeave;
            return true;
          case SDL_WINDOWEVENT_CLOSE:
            out.type = WindowEvent::Type::Close;
            return true;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SHOWN:
            out.type = WindowEvent::Type::Expose;
            return true;
          default:
            return false;
        }
      default:
        if (event.type == timerEvent_) {
          const auto id = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(event.user.data1));
          const auto found = timers_.find(id);
          if (found != timers_.end()) timers_.erase(found);
          out.type = WindowEvent::Type::Timer;
          out.timer = id;
          return true;
        }
        return false;
    }
  }

  bool TranslateKey(const SDL_KeyboardEvent& key, WindowEvent& out) {
    const bool down = key.type == SDL_KEYDOWN;
    const int followed = FollowedKey(key.keysym.sym);
    const std::uint32_t bit = followed >= 0 ? std::uint32_t{1} << followed : 0;
    // Losing the keyboard, SDL lets go of every key it holds, with key-ups
    // of its own: nobody released them here, and FocusLost follows.
    if (!down && SDL_GetKeyboardFocus() != SDL_GetWindowFromID(key.windowID)) return false;
    out.type = down ? WindowEvent::Type::KeyDown : WindowEvent::Type::KeyUp;
    out.window = key.windowID;
    out.key = followed >= 0 ? kFollowedKeyCodes[followed] : KeyCode::Other;
    out.modifiers = 0;
    if ((key.keysym.mod & KMOD_SHIFT) != 0) out.modifiers |= WindowEvent::Shift;
    if ((key.keysym.mod & KMOD_ALT) != 0) out.modifiers |= WindowEvent::Alt;
    if ((key.keysym.mod & KMOD_CTRL) != 0) out.modifiers |= WindowEvent::Ctrl;
    if (down) {
      out.repeat = key.repeat != 0 || (heldKeys_ & bit) != 0;
      heldKeys_ |= bit;
    } else {
      heldKeys_ &= ~bit;
    }
    return true;
  }

  std::unique_ptr<SDL_Cursor, CursorDeleter> arrow_;
  std::unique_ptr<SDL_Cursor, CursorDeleter> hand_;
  std::set<SDL_Window*> windows_;
  std::uint32_t heldKeys_ = 0;  // bit i: kFollowedKeys[i] is down
  Uint32 timerEvent_ = 0;
  // The same, for the timer thread; one window system at a time.
  static inline std::atomic<Uint32> timerEventType_{0};
  std::uint64_t lastTimer_ = 0;
  std::map<std::uint64_t, SDL_TimerID> timers_;
  bool pointerInside_ = false;
  std::optional<double> scale_;
  std::unique_ptr<atk::AtkAccessibility> accessibility_ = std::make_unique<atk::AtkAccessibility>();
  bool accessibilityTried_ = false;
  std::deque<WindowEvent> posted_;    // requests of screen readers, waiting for the loop
  int displayFd_ = -1;
  int wake_ = -1;
  static inline std::atomic<int> wakeFd_{-1};
};

}  // namespace

std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& error) {
  auto system = std::make_unique<SdlWindowSystem>();
  if (!system->Open(error)) return nullptr;
  return system;
}

}  // namespace platform
