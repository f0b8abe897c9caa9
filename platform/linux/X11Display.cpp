#include "platform/linux/X11Display.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <type_traits>

namespace platform::x11 {
namespace {

// Xlib calls this when the connection breaks; returning would make Xlib
// print a line and exit with status 1. Nothing can be shown or cleaned up on
// a display that is gone: end now.
int DisplayLost(Display*) { _exit(0); }

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

void EndQuietlyWhenTheDisplayIsLost() { XSetIOErrorHandler(&DisplayLost); }

}  // namespace platform::x11
