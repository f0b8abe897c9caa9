#include "platform/linux/X11Display.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xresource.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>

namespace platform::x11 {
namespace {

// Xlib calls this when the connection breaks; returning would make Xlib
// print a line and exit with status 1. Nothing can be shown or cleaned up on
// a display that is gone: end now.
int DisplayLost(Display*) { _exit(0); }

// SDL_PushEvent from another thread (SDL's timer thread) wakes the thread
// waiting for events with a client message sent to one of its windows over
// a second connection. When the window is destroyed at that moment (the
// launcher closing as a timer ticks), the server may take the destruction
// first and answer the send with BadWindow, which Xlib's default handler
// turns into exit(1). Nothing is left to wake: that error is dropped.
XErrorHandler previousErrorHandler = nullptr;

int XErrorArrived(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousErrorHandler != nullptr ? previousErrorHandler(display, error) : 0;
}

KeySym KeySymOf(std::int32_t key) {
  switch (key) {
    case SDLK_TAB: return XK_Tab;
    case SDLK_RETURN: return XK_Return;
    case SDLK_KP_ENTER: return XK_KP_Enter;
    case SDLK_SPACE: return XK_space;
    case SDLK_LEFT: return XK_Left;
    case SDLK_RIGHT: return XK_Right;
    case SDLK_UP: return XK_Up;
    case SDLK_DOWN: return XK_Down;
    case SDLK_ESCAPE: return XK_Escape;
    case SDLK_F4: return XK_F4;
    default: return NoSymbol;
  }
}

}  // namespace

bool PointerOnScreen(SDL_Window* window, int& x, int& y) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
  ::Window root = 0;
  ::Window child = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int mask = 0;
  return XQueryPointer(info.info.x11.display, info.info.x11.window, &root, &child, &x, &y, &windowX, &windowY,
                       &mask) != False;
}

bool SetWindowIcons(SDL_Window* window, const std::vector<unsigned long>& cardinals) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  const Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
  const Atom cardinal = XInternAtom(display, "CARDINAL", False);
  // Format 32 data travels as longs, whatever their width.
  XChangeProperty(display, info.info.x11.window, icon, cardinal, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(cardinals.data()), static_cast<int>(cardinals.size()));
  XFlush(display);
  return true;
}

std::optional<std::string> ResourceValue(SDL_Window* window, const char* name, const char* className) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return std::nullopt;
  const char* resources = XResourceManagerString(info.info.x11.display);
  if (resources == nullptr) return std::nullopt;
  XrmInitialize();
  struct DatabaseDeleter {
    void operator()(XrmDatabase database) const { XrmDestroyDatabase(database); }
  };
  const std::unique_ptr<std::remove_pointer_t<XrmDatabase>, DatabaseDeleter> database(
      XrmGetStringDatabase(resources));
  if (!database) return std::nullopt;
  char* type = nullptr;
  XrmValue value{0, nullptr};
  if (XrmGetResource(database.get(), name, className, &type, &value) == False || value.addr == nullptr)
    return std::nullopt;
  // The value's size counts its terminating zero, when it has one.
  return std::string(value.addr, strnlen(value.addr, value.size));
}

bool KeysDown(SDL_Window* window, std::span<const std::int32_t> keys, std::uint32_t& down) {
  down = 0;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  char keymap[32] = {};
  XQueryKeymap(display, keymap);
  for (std::size_t i = 0; i < keys.size() && i < 32; ++i) {
    const KeySym symbol = KeySymOf(keys[i]);
    if (symbol == NoSymbol) continue;
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code != 0 && (keymap[code / 8] & (1 << (code % 8))) != 0) down |= std::uint32_t{1} << i;
  }
  return true;
}

int ConnectionFd(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return -1;
  return ConnectionNumber(info.info.x11.display);
}

bool RootHasProperty(SDL_Window* window, const char* name) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return false;
  Display* display = info.info.x11.display;
  // An atom nobody made names no property.
  const Atom property = XInternAtom(display, name, True);
  if (property == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* value = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, AnyPropertyType,
                                        &type, &format, &items, &after, &value);
  if (value != nullptr) XFree(value);
  return status == Success && type != None && items > 0;
}

void EndQuietlyWhenTheDisplayIsLost() { XSetIOErrorHandler(&DisplayLost); }

void IgnoreWakeUpsOfGoneWindows() {
  const XErrorHandler previous = XSetErrorHandler(&XErrorArrived);
  if (previous != &XErrorArrived) previousErrorHandler = previous;
}

ScopedEmptyComposeTable::ScopedEmptyComposeTable() {
  if (const char* value = std::getenv("XCOMPOSEFILE")) previous_ = value;
  setenv("XCOMPOSEFILE", "/dev/null", 1);
}

ScopedEmptyComposeTable::~ScopedEmptyComposeTable() {
  if (previous_)
    setenv("XCOMPOSEFILE", previous_->c_str(), 1);
  else
    unsetenv("XCOMPOSEFILE");
}

}  // namespace platform::x11
