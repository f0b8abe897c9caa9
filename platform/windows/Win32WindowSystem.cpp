// The window system on Win32.
//
// Each window keeps the last frame presented in a DIB section of its own
// (the off-screen buffer): Present copies the changed rectangle into it and
// from there straight to the window's device context, and WM_PAINT repaints
// from it, so no paint ever waits for the form. Window messages are turned
// into WindowEvents in the window procedure and queued; WaitEvent pumps
// messages until the queue holds one. One-shot timers are window timers of a
// message-only window that each stop themselves at their first tick.
//
// Display scale: the process is aware of each monitor's density (the
// program's manifest says so; where the system did not apply it, Open asks
// at run time), so Windows never enlarges a window: the form draws at the
// window's DPI (GetDpiForWindow, or the screen's LOGPIXELSX) itself. When a
// window moves to a monitor of another density, WM_DPICHANGED places it in
// the rectangle Windows suggests and tells the form, which lays itself out
// again and sets its client size.
//
// Keys come from WM_KEYDOWN / WM_KEYUP and their WM_SYS* forms (a key with
// Alt held); characters (WM_CHAR) are not used. Alt+F4 is left to the
// system: DefWindowProcW turns it into SC_CLOSE and so WM_CLOSE, which
// arrives as Close. The focus cues follow the framework's own rule (none
// until a key is used), not the system's UI state.
//
// Screen readers: each window answers WM_GETOBJECT for its client area with
// the IAccessible of platform/windows/MsaaAccessible.h; a client's default
// action is queued as an AccessibleAction event.
#include "platform/WindowSystem.h"

#include "platform/Accessibility.h"
#include "platform/windows/WideText.h"

#ifndef UNICODE
#define UNICODE  // the W forms of IDC_*, RT_* and the rest
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <windowsx.h>
#undef CreateWindow  // WindowSystem::CreateWindow

#include "platform/windows/MsaaAccessible.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <type_traits>

namespace platform {
namespace {

constexpr wchar_t kWindowClass[] = L"VidorraWindow";

struct WindowDeleter {
  void operator()(HWND window) const noexcept { ::DestroyWindow(window); }
};
using WindowHolder = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct DcDeleter {
  void operator()(HDC dc) const noexcept { ::DeleteDC(dc); }
};
using MemoryDcHolder = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

struct ObjectDeleter {
  void operator()(HGDIOBJ object) const noexcept { ::DeleteObject(object); }
};
using BitmapHolder = std::unique_ptr<std::remove_pointer_t<HBITMAP>, ObjectDeleter>;

struct IconDeleter {
  void operator()(HICON icon) const noexcept { ::DestroyIcon(icon); }
};
using IconHolder = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// A window's device context, released when it goes.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A top-down 32-bit DIB section (B, G, R, A in memory), its bits, and a
// memory DC holding it.
struct DibSection {
  BitmapHolder bitmap;
  std::uint8_t* bits = nullptr;

  bool Create(int width, int height) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    bits = bitmap ? static_cast<std::uint8_t*>(pixels) : nullptr;
    return bits != nullptr;
  }
};

// The off-screen buffer of one window: the DIB section selected into a
// memory DC for the whole life of the buffer.
class BackBuffer {
 public:
  bool Create(int width, int height) {
    if (!dib_.Create(width, height)) return false;
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_) return false;
    previous_ = ::SelectObject(dc_.get(), dib_.bitmap.get());
    width_ = width;
    height_ = height;
    std::memset(dib_.bits, 0, static_cast<std::size_t>(width) * height * 4);
    return true;
  }
  ~BackBuffer() {
    // The bitmap leaves the DC before either is deleted.
    if (dc_ && previous_ != nullptr) ::SelectObject(dc_.get(), previous_);
  }

  HDC Dc() const { return dc_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint8_t* Row(int y) const { return dib_.bits + static_cast<std::ptrdiff_t>(y) * width_ * 4; }

 private:
  DibSection dib_;  // declared before dc_: deleted after it
  MemoryDcHolder dc_;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

class Win32WindowSystem;

class Win32Window;

// What GWLP_USERDATA of each window of the class points to.
struct WindowTarget {
  Win32Window* window = nullptr;        // a top-level window
  Win32WindowSystem* timers = nullptr;  // or the timer window
};

class Win32Window final : public NativeWindow {
 public:
  Win32Window(Win32WindowSystem& system, std::uint32_t id) : system_(system), id_(id) {}
  ~Win32Window() override;

  bool Create(const WindowParams& params);
  HWND Hwnd() const { return window_.get(); }
  void SetClientSize(int width, int height) override;
  double DisplayScale() const override { return static_cast<double>(dpi_) / 96.0; }

  std::uint32_t Id() const override { return id_; }
  void Show() override;
  void Hide() override { ::ShowWindow(window_.get(), SW_HIDE); }
  void SetTitle(std::u16string_view title) override {
    ::SetWindowTextW(window_.get(), windows::ToWide(title).c_str());
  }
  void SetIcons(std::span<const IconView> sizes) override;
  void Present(const FrameView& frame, const PixelRect& rect) override;
  void GetPosition(int& x, int& y) const override {
    POINT origin{0, 0};
    ::ClientToScreen(window_.get(), &origin);
    x = origin.x;
    y = origin.y;
  }
  void Move(int x, int y) override;
  bool PointerOnScreen(int& x, int& y) const override {
    POINT point{0, 0};
    if (!::GetCursorPos(&point)) return false;
    x = point.x;
    y = point.y;
    return true;
  }
  void SetCursor(CursorShape shape) override {
    cursor_ = shape;
    // Shown at once when the pointer is over the window; otherwise at the
    // next WM_SETCURSOR.
    if (pointerInside_ || ::GetCapture() == window_.get()) ::SetCursor(CursorHandle());
  }
  void ReleaseMouseCapture() override { ::ReleaseCapture(); }
  bool SystemDragMove() override {
    // Synchronous: DefWindowProcW's move loop runs inside this call and ends
    // when the mouse button is released.
    ::SendMessageW(window_.get(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return true;
  }
  void UpdateAccessible(const AccessibleTree& tree, std::span<const AccessibleChange> changes) override {
    if (accessibility_) accessibility_->Update(tree, changes);
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HCURSOR CursorHandle() const { return ::LoadCursorW(nullptr, cursor_ == CursorShape::Hand ? IDC_HAND : IDC_ARROW); }
  void Queue(WindowEvent::Type type, WPARAM wParam, LPARAM lParam, std::uint8_t button = WindowEvent::Left);
  void Centre();
  void FitBufferToClient();

  Win32WindowSystem& system_;
  std::uint32_t id_;
  WindowTarget target_{this, nullptr};
  std::unique_ptr<BackBuffer> buffer_;
  IconHolder icon_;
  IconHolder smallIcon_;
  std::unique_ptr<windows::WindowAccessibility> accessibility_;  // disconnected before the window goes
  WindowHolder window_;  // declared last: destroyed first, while the rest still exists
  CursorShape cursor_ = CursorShape::Arrow;
  bool shownOnce_ = false;
  bool pointerInside_ = false;  // a WM_MOUSELEAVE is being tracked
  unsigned dpi_ = 96;           // the window's density, as last told
};

class Win32WindowSystem final : public WindowSystem {
 public:
  Win32WindowSystem() = default;
  Win32WindowSystem(const Win32WindowSystem&) = delete;
  Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;
  ~Win32WindowSystem() override {
    // The timers go with their window.
    timerWindow_.reset();
    if (registered_) ::UnregisterClassW(kWindowClass, ::GetModuleHandleW(nullptr));
  }

  bool Open(std::string& error);

  std::unique_ptr<NativeWindow> CreateWindow(const WindowParams& params) override {
    auto window = std::make_unique<Win32Window>(*this, ++lastWindow_);
    if (!window->Create(params)) return nullptr;
    return window;
  }

  void WaitEvent(WindowEvent& event) override {
    while (queue_.empty()) {
      MSG message;
      const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
      if (got == 0 || got == -1) {
        // WM_QUIT, or the queue broke down: nothing more will come.
        event = WindowEvent{};
        event.type = WindowEvent::Type::Quit;
        return;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    event = queue_.front();
    queue_.pop_front();
  }

  void DiscardMouseAndKeyInput() override {
    // Mouse and key messages still waiting for this thread, then the events
    // already made of them.
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&message, nullptr, WM_MOUSELEAVE, WM_MOUSELEAVE, PM_REMOVE)) {
    }
    while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    using Type = WindowEvent::Type;
    std::erase_if(queue_, [](const WindowEvent& e) {
      return e.type == Type::MouseMove || e.type == Type::MouseDown || e.type == Type::MouseUp ||
             e.type == Type::MouseLeave || e.type == Type::KeyDown || e.type == Type::KeyUp;
    });
    // A key down now went down before: held until it comes up.
    heldKeys_ = KeysDownNow();
  }

  // Keys: what a key message means, with the held state followed here (a
  // key held since before the window was shown repeats, whatever the
  // message's own previous-state bit says).
  void QueueKey(std::uint32_t window, bool down, WPARAM virtualKey, LPARAM lParam) {
    WindowEvent event;
    event.type = down ? WindowEvent::Type::KeyDown : WindowEvent::Type::KeyUp;
    event.window = window;
    const int followed = FollowedKey(virtualKey);
    const std::uint32_t bit = followed >= 0 ? std::uint32_t{1} << followed : 0;
    event.key = followed >= 0 ? kFollowedKeyCodes[followed] : KeyCode::Other;
    if ((::GetKeyState(VK_SHIFT) & 0x8000) != 0) event.modifiers |= WindowEvent::Shift;
    if ((::GetKeyState(VK_CONTROL) & 0x8000) != 0) event.modifiers |= WindowEvent::Ctrl;
    if ((::GetKeyState(VK_MENU) & 0x8000) != 0) event.modifiers |= WindowEvent::Alt;
    if (down) {
      event.repeat = (lParam & (LPARAM{1} << 30)) != 0 || (heldKeys_ & bit) != 0;
      heldKeys_ |= bit;
    } else {
      heldKeys_ &= ~bit;
    }
    Push(event);
  }
  // The window took the keyboard: keys that came up meanwhile are held no
  // longer.
  void KeyboardGained() { heldKeys_ &= KeysDownNow(); }

  std::uint64_t StartTimer(int milliseconds) override {
    const std::uint64_t id = ++lastTimer_;
    if (::SetTimer(timerWindow_.get(), static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(1, milliseconds)),
                   nullptr) != 0)
      timers_.insert(id);
    return id;
  }

  void StopTimer(std::uint64_t id) override {
    if (timers_.erase(id) != 0) ::KillTimer(timerWindow_.get(), static_cast<UINT_PTR>(id));
  }

  void Push(const WindowEvent& event) { queue_.push_back(event); }
  windows::ComApartment& Apartment() { return apartment_; }

  // The timer window's messages.
  LRESULT HandleTimerWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER) return ::DefWindowProcW(window, message, wParam, lParam);
    const auto id = static_cast<std::uint64_t>(wParam);
    // One tick only; a stopped timer queues nothing.
    ::KillTimer(window, wParam);
    if (timers_.erase(id) != 0) {
      WindowEvent event;
      event.type = WindowEvent::Type::Timer;
      event.timer = id;
      Push(event);
    }
    return 0;
  }

 private:
  windows::ComApartment apartment_;  // first: left after every window has gone
  bool registered_ = false;
  WindowTarget timerTarget_{nullptr, this};
  WindowHolder timerWindow_;
  std::deque<WindowEvent> queue_;
  std::uint32_t lastWindow_ = 0;
  std::uint64_t lastTimer_ = 0;
  std::set<std::uint64_t> timers_;
  std::uint32_t heldKeys_ = 0;  // bit i: kFollowedKeys[i] is down

  static constexpr WPARAM kFollowedKeys[] = {VK_TAB,   VK_RETURN, VK_SPACE,  VK_LEFT, VK_RIGHT,
                                             VK_UP,    VK_DOWN,   VK_ESCAPE, VK_F4};
  static constexpr KeyCode kFollowedKeyCodes[] = {KeyCode::Tab,  KeyCode::Enter, KeyCode::Space,
                                                  KeyCode::Left, KeyCode::Right, KeyCode::Up,
                                                  KeyCode::Down, KeyCode::Escape, KeyCode::F4};
  static_assert(std::size(kFollowedKeys) == std::size(kFollowedKeyCodes));

  // The index of `virtualKey` in kFollowedKeys (Enter: the main key and the
  // keypad's), or -1.
  static int FollowedKey(WPARAM virtualKey) {
    for (std::size_t i = 0; i < std::size(kFollowedKeys); ++i)
      if (kFollowedKeys[i] == virtualKey) return static_cast<int>(i);
    return -1;
  }
  static std::uint32_t KeysDownNow() {
    std::uint32_t down = 0;
    for (std::size_t i = 0; i < std::size(kFollowedKeys); ++i)
      if ((::GetAsyncKeyState(static_cast<int>(kFollowedKeys[i])) & 0x8000) != 0) down |= std::uint32_t{1} << i;
    return down;
  }
};

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* target = reinterpret_cast<const WindowTarget*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (target != nullptr && target->window != nullptr && target->window->Hwnd() == window)
    return target->window->Handle(message, wParam, lParam);
  if (target != nullptr && target->timers != nullptr)
    return target->timers->HandleTimerWindow(window, message, wParam, lParam);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// The program's own icon: the first icon group among its resources, by
// number or by name.
struct IconGroupName {
  bool found = false;
  WORD id = 0;
  std::wstring name;
};

BOOL CALLBACK FirstIconGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  auto* out = reinterpret_cast<IconGroupName*>(found);
  out->found = true;
  if (IS_INTRESOURCE(name)) {
    out->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  } else {
    try {
      out->name = name;  // valid only during the enumeration
    } catch (...) {
      out->found = false;
    }
  }
  return FALSE;
}

HICON ProgramIcon(int size) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  IconGroupName group;
  ::EnumResourceNamesW(module, RT_GROUP_ICON, &FirstIconGroup, reinterpret_cast<LONG_PTR>(&group));
  if (!group.found) return nullptr;
  const LPCWSTR name = group.name.empty() ? MAKEINTRESOURCEW(group.id) : group.name.c_str();
  // Shared: the system owns it.
  return static_cast<HICON>(::LoadImageW(module, name, IMAGE_ICON, size, size, LR_SHARED));
}

// An entry point of `module`, looked up by name; null when it has none.
template <class Function>
Function Entry(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // GetProcAddress answers with a generic function pointer.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// Makes the process aware of the display scale when it came up unaware,
// asking for per-monitor awareness first, then for the system's scale.
void BecomeDpiAware() {
  const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  // Vista and later; system or per-monitor awareness both answer yes.
  if (const auto isAware = Entry<BOOL(WINAPI*)()>(user32, "IsProcessDPIAware"); isAware != nullptr && isAware())
    return;
  // Windows 10 1703 and later: v2, then v1 (1607 knows v1 only).
  if (const auto setContext = Entry<BOOL(WINAPI*)(HANDLE)>(user32, "SetProcessDpiAwarenessContext")) {
    const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
    const auto perMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
    if (setContext(perMonitorV2) || setContext(perMonitor)) return;
  }
  // Windows 8.1 and later.
  if (const HMODULE shcore = ::LoadLibraryW(L"Shcore.dll")) {
    const auto setAwareness = Entry<HRESULT(WINAPI*)(int)>(shcore, "SetProcessDpiAwareness");
    constexpr int kProcessPerMonitorDpiAware = 2;
    const bool done = setAwareness != nullptr && SUCCEEDED(setAwareness(kProcessPerMonitorDpiAware));
    ::FreeLibrary(shcore);
    if (done) return;
  }
  // Vista and later: the system's scale, the same on every monitor.
  if (const auto setAware = Entry<BOOL(WINAPI*)()>(user32, "SetProcessDPIAware")) setAware();
}

// The density `window` is drawn at, in dots per inch.
unsigned WindowDpi(HWND window) {
  // Windows 10 1607 and later.
  if (const auto getDpi = Entry<UINT(WINAPI*)(HWND)>(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")) {
    if (const UINT dpi = getDpi(window); dpi != 0) return dpi;
  }
  const WindowDc screen(nullptr);
  const int dpi = screen.Get() != nullptr ? ::GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

bool Win32WindowSystem::Open(std::string& error) {
  BecomeDpiAware();
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass;
  std::memset(&windowClass, 0, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  // No CS_DBLCLKS: a second press is a press, not a double click.
  windowClass.style = 0;
  windowClass.lpfnWndProc = &WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = ProgramIcon(::GetSystemMetrics(SM_CXICON));
  windowClass.hIconSm = ProgramIcon(::GetSystemMetrics(SM_CXSMICON));
  windowClass.hCursor = nullptr;  // WM_SETCURSOR chooses
  windowClass.hbrBackground = nullptr;
  windowClass.lpszClassName = kWindowClass;
  if (::RegisterClassExW(&windowClass) == 0) {
    error = "RegisterClassExW failed (" + std::to_string(::GetLastError()) + ")";
    return false;
  }
  registered_ = true;
  timerWindow_.reset(::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                       &timerTarget_));
  if (!timerWindow_) {
    error = "no window for timers (" + std::to_string(::GetLastError()) + ")";
    return false;
  }
  return true;
}

Win32Window::~Win32Window() {
  // Clients that still hold the window's object find it disconnected.
  accessibility_.reset();
  // The window goes before the buffer and the icon it shows.
  window_.reset();
}

bool Win32Window::Create(const WindowParams& params) {
  const int width = std::max(1, params.clientWidth);
  const int height = std::max(1, params.clientHeight);
  buffer_ = std::make_unique<BackBuffer>();
  if (!buffer_->Create(width, height)) return false;
  const DWORD style = params.borderless ? WS_POPUP : (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  // Without a taskbar button: a tool window.
  const DWORD exStyle = params.taskbarButton ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
  RECT bounds{0, 0, width, height};
  ::AdjustWindowRectEx(&bounds, style, FALSE, exStyle);
  window_.reset(::CreateWindowExW(exStyle, kWindowClass, L"", style, 0, 0, bounds.right - bounds.left,
                                  bounds.bottom - bounds.top, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                  &target_));
  if (!window_) return false;
  // Created at (0, 0): on the primary monitor, where the first show centres it.
  dpi_ = WindowDpi(window_.get());
  accessibility_ = std::make_unique<windows::WindowAccessibility>(window_.get(), system_.Apartment(), [this](int child) {
    WindowEvent event;
    event.type = WindowEvent::Type::AccessibleAction;
    event.window = id_;
    event.child = child;
    system_.Push(event);
  });
  return true;
}

void Win32Window::SetClientSize(int width, int height) {
  const HWND window = window_.get();
  RECT bounds{0, 0, std::max(1, width), std::max(1, height)};
  ::AdjustWindowRectEx(&bounds, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
  // WM_SIZE fits the buffer to the new client area.
  ::SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::FitBufferToClient() {
  RECT client;
  if (!::GetClientRect(window_.get(), &client)) return;
  const int width = std::max<int>(1, client.right - client.left);
  const int height = std::max<int>(1, client.bottom - client.top);
  if (buffer_ && buffer_->Width() == width && buffer_->Height() == height) return;
  auto resized = std::make_unique<BackBuffer>();
  if (!resized->Create(width, height)) return;
  // What was presented stays where it was until the next Present.
  if (buffer_) {
    const int rows = std::min(height, buffer_->Height());
    const auto bytes = static_cast<std::size_t>(std::min(width, buffer_->Width())) * 4;
    for (int y = 0; y < rows; ++y) std::memcpy(resized->Row(y), buffer_->Row(y), bytes);
  }
  buffer_ = std::move(resized);
}

void Win32Window::Centre() {
  RECT bounds;
  if (!::GetWindowRect(window_.get(), &bounds)) return;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(window_.get(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::Show() {
  if (!shownOnce_) {
    shownOnce_ = true;
    Centre();
  }
  ::ShowWindow(window_.get(), SW_SHOW);
  // Paints what the buffer holds before returning.
  ::UpdateWindow(window_.get());
}

void Win32Window::Move(int x, int y) {
  RECT bounds;
  if (!::GetWindowRect(window_.get(), &bounds)) return;
  POINT origin{0, 0};
  ::ClientToScreen(window_.get(), &origin);
  // The client area's offset inside the window (its frame, if any).
  const int dx = origin.x - bounds.left;
  const int dy = origin.y - bounds.top;
  ::SetWindowPos(window_.get(), nullptr, x - dx, y - dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// A Windows icon made of straight RGBA pixels; null on failure.
HICON CreateIconFrom(const IconView& icon) {
  if (icon.rgba == nullptr || icon.width <= 0 || icon.height <= 0) return nullptr;
  DibSection colour;
  if (!colour.Create(icon.width, icon.height)) return nullptr;
  const std::uint8_t* source = icon.rgba;
  for (int i = 0; i < icon.width * icon.height; ++i, source += 4) {
    colour.bits[4 * i] = source[2];
    colour.bits[4 * i + 1] = source[1];
    colour.bits[4 * i + 2] = source[0];
    colour.bits[4 * i + 3] = source[3];
  }
  // With a 32-bit colour bitmap the alpha channel decides; the mask is
  // required all the same.
  const BitmapHolder mask(::CreateBitmap(icon.width, icon.height, 1, 1, nullptr));
  if (!mask) return nullptr;
  ICONINFO info;
  std::memset(&info, 0, sizeof info);
  info.fIcon = TRUE;
  info.hbmMask = mask.get();
  info.hbmColor = colour.bitmap.get();
  // The icon holds copies of both bitmaps.
  return ::CreateIconIndirect(&info);
}

// The picture whose width is nearest to `wanted` (the larger one on a tie).
const IconView* Nearest(std::span<const IconView> sizes, int wanted) {
  const IconView* best = nullptr;
  for (const IconView& icon : sizes) {
    if (icon.rgba == nullptr || icon.width <= 0 || icon.height <= 0) continue;
    const int distance = std::abs(icon.width - wanted);
    if (best == nullptr || distance < std::abs(best->width - wanted) ||
        (distance == std::abs(best->width - wanted) && icon.width > best->width))
      best = &icon;
  }
  return best;
}

}  // namespace

void Win32Window::SetIcons(std::span<const IconView> sizes) {
  const IconView* bigView = Nearest(sizes, ::GetSystemMetrics(SM_CXICON));
  const IconView* smallView = Nearest(sizes, ::GetSystemMetrics(SM_CXSMICON));
  if (bigView == nullptr || smallView == nullptr) return;
  IconHolder bigIcon(CreateIconFrom(*bigView));
  IconHolder smallIcon(CreateIconFrom(*smallView));
  if (!bigIcon || !smallIcon) return;
  ::SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
  ::SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
  // The window no longer shows the old ones.
  icon_ = std::move(bigIcon);
  smallIcon_ = std::move(smallIcon);
}

void Win32Window::Present(const FrameView& frame, const PixelRect& rect) {
  if (frame.rgb == nullptr) return;
  const int left = std::max(0, rect.left);
  const int top = std::max(0, rect.top);
  const int right = std::min({rect.left + rect.width, frame.width, buffer_->Width()});
  const int bottom = std::min({rect.top + rect.height, frame.height, buffer_->Height()});
  if (left >= right || top >= bottom) return;
  for (int y = top; y < bottom; ++y) {
    const std::uint8_t* source = frame.rgb + y * frame.stride + 3 * left;
    std::uint8_t* target = buffer_->Row(y) + 4 * left;
    for (int x = left; x < right; ++x, source += 3, target += 4) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
      target[3] = 0;
    }
  }
  // Straight to the window, not through WM_PAINT: the pixels are out when
  // this returns.
  ::GdiFlush();
  const WindowDc dc(window_.get());
  if (dc.Get() == nullptr) return;
  ::BitBlt(dc.Get(), left, top, right - left, bottom - top, buffer_->Dc(), left, top, SRCCOPY);
  ::GdiFlush();
}

void Win32Window::Queue(WindowEvent::Type type, WPARAM wParam, LPARAM lParam, std::uint8_t button) {
  WindowEvent event;
  event.type = type;
  event.window = id_;
  event.x = GET_X_LPARAM(lParam);
  event.y = GET_Y_LPARAM(lParam);
  event.button = button;
  if ((wParam & MK_SHIFT) != 0) event.modifiers |= WindowEvent::Shift;
  if ((wParam & MK_CONTROL) != 0) event.modifiers |= WindowEvent::Ctrl;
  if ((::GetKeyState(VK_MENU) & 0x8000) != 0) event.modifiers |= WindowEvent::Alt;
  system_.Push(event);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_.get();
  using Type = WindowEvent::Type;
  switch (message) {
    case WM_MOUSEMOVE:
      if (!pointerInside_) {
        TRACKMOUSEEVENT track;
        std::memset(&track, 0, sizeof track);
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        pointerInside_ = ::TrackMouseEvent(&track) != FALSE;
      }
      Queue(Type::MouseMove, wParam, lParam);
      return 0;
    case WM_MOUSELEAVE:
      pointerInside_ = false;
      {
        WindowEvent event;
        event.type = Type::MouseLeave;
        event.window = id_;
        system_.Push(event);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      // The window keeps the mouse until every button is up.
      if (::GetCapture() != window) ::SetCapture(window);
      const std::uint8_t button = message == WM_LBUTTONDOWN   ? WindowEvent::Left
                                  : message == WM_RBUTTONDOWN ? WindowEvent::Right
                                                              : WindowEvent::Middle;
      Queue(Type::MouseDown, wParam, lParam, button);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      const std::uint8_t button = message == WM_LBUTTONUP   ? WindowEvent::Left
                                  : message == WM_RBUTTONUP ? WindowEvent::Right
                                                            : WindowEvent::Middle;
      if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && ::GetCapture() == window) ::ReleaseCapture();
      Queue(Type::MouseUp, wParam, lParam, button);
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(CursorHandle());
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers everything
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      if (dc != nullptr) {
        const RECT& r = paint.rcPaint;
        ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer_->Dc(), r.left, r.top, SRCCOPY);
      }
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) FitBufferToClient();
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another density (or the density changed):
      // take the rectangle Windows suggests, then let the form lay itself
      // out at the new scale.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      if (suggested != nullptr)
        ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      if (LOWORD(wParam) != 0) dpi_ = LOWORD(wParam);
      WindowEvent event;
      event.type = Type::ScaleChanged;
      event.window = id_;
      system_.Push(event);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
      system_.QueueKey(id_, message == WM_KEYDOWN, wParam, lParam);
      return 0;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      // The system's keys (Alt+F4 among them) go on to DefWindowProcW.
      if (wParam != VK_F4) system_.QueueKey(id_, message == WM_SYSKEYDOWN, wParam, lParam);
      break;
    case WM_CHAR:
      return 0;
    case WM_SETFOCUS:
      system_.KeyboardGained();
      if (accessibility_) accessibility_->KeyboardGained();
      break;
    case WM_GETOBJECT: {
      LRESULT answer = 0;
      if (accessibility_ && accessibility_->Answer(wParam, lParam, answer)) return answer;
      break;
    }
    case WM_KILLFOCUS: {
      WindowEvent event;
      event.type = Type::FocusLost;
      event.window = id_;
      system_.Push(event);
      break;
    }
    case WM_CLOSE: {
      // The form decides; the window stays until it is destroyed.
      WindowEvent event;
      event.type = Type::Close;
      event.window = id_;
      system_.Push(event);
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<WindowSystem> OpenWindowSystem(std::string& error) {
  auto system = std::make_unique<Win32WindowSystem>();
  if (!system->Open(error)) return nullptr;
  return system;
}

}  // namespace platform
