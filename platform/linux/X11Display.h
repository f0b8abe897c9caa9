// What the SDL window system asks of Xlib directly. Kept apart from
// SdlWindowSystem.cpp: Xlib's headers define macros (CursorShape, Expose, ...)
// that clash with the window-system contract's names.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct SDL_Window;

namespace platform::x11 {

// The pointer's position on the screen of `window`, asked of the X server
// (not taken from events). False when SDL runs on another driver or the
// pointer is on another screen.
bool PointerOnScreen(SDL_Window* window, int& x, int& y);

// Sets _NET_WM_ICON of `window` to `cardinals` (width, height, then
// width * height ARGB pixels, for each size in turn). False when SDL runs on
// another driver.
bool SetWindowIcons(SDL_Window* window, const std::vector<unsigned long>& cardinals);

// The value of the resource `name` (class `className`) in the X resource
// database of `window`'s display, as the server's RESOURCE_MANAGER property
// held it when SDL connected (what xrdb -merge leaves); nothing when it is
// not set or SDL runs on another driver.
std::optional<std::string> ResourceValue(SDL_Window* window, const char* name, const char* className);

// Which of `keys` (SDL key codes of keys that every layout has in one
// place: Tab, Return, the arrows, ...) are down on the keyboard now, asked of
// the X server: bit i of `down` for keys[i] (at most 32). False when SDL
// runs on another driver.
bool KeysDown(SDL_Window* window, std::span<const std::int32_t> keys, std::uint32_t& down);

// The file descriptor of the X connection `window` is on, or -1 when SDL runs
// on another driver.
int ConnectionFd(SDL_Window* window);

// Whether the root window of `window`'s screen carries the property `name`
// with a value. False when SDL runs on another driver.
bool RootHasProperty(SDL_Window* window, const char* name);

// From now on a lost connection to the display (the server ended or went
// away) ends the process at once, quietly, with exit code 0.
void EndQuietlyWhenTheDisplayIsLost();

// From now on a wake-up that SDL sent to a window destroyed meanwhile is
// no error (see X11Display.cpp); every other X error goes where it went.
// Called before SDL_Init.
void IgnoreWakeUpsOfGoneWindows();

// While it lives, the X input method that SDL_Init opens reads an empty
// compose table: XCOMPOSEFILE names /dev/null. The launcher reads keys,
// never text, and the table it would read otherwise (the locale's, some
// 6,000 lines in en_US.UTF-8, or the user's ~/.XCompose) costs more
// instructions than the rest of SDL_Init. The variable gets back the value
// it had, or goes again, at the end, so that the programs started later get
// the user's environment. Made and ended on the main thread, before SDL
// starts a thread of its own (the environment is no thread's to change while
// another may read it).
class ScopedEmptyComposeTable {
 public:
  ScopedEmptyComposeTable();
  ~ScopedEmptyComposeTable();
  ScopedEmptyComposeTable(const ScopedEmptyComposeTable&) = delete;
  ScopedEmptyComposeTable& operator=(const ScopedEmptyComposeTable&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace platform::x11
