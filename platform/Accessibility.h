// What a window shows to screen readers: a description of its accessible
// children that the user-interface framework makes from a form and its
// controls, and the changes that clients are told about.
//
// The platform serves the description to clients in its own terms (Windows:
// an IAccessible answered from WM_GETOBJECT, with WinEvents; Linux: ATK
// objects over AT-SPI) and hands their requests back as WindowEvents: a
// default action requested by a client is queued as an AccessibleAction event
// and the client's call returns at once, whatever the action then does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WindowSystem.h"

namespace platform {

enum class AccessibleRole : std::uint8_t { PushButton };

// State bits of an accessible child.
enum AccessibleState : std::uint32_t {
  kAccessibleFocusable = 1u << 0,    // takes the keyboard focus
  kAccessibleFocused = 1u << 1,      // holds it
  kAccessibleHot = 1u << 2,          // the pointer is over it
  kAccessiblePressed = 1u << 3,      // held down
  kAccessibleUnavailable = 1u << 4,  // disabled
};

struct AccessibleElement {
  std::u16string name;
  std::u16string description;
  std::u16string defaultAction;  // the action's name; empty when it has none
  AccessibleRole role = AccessibleRole::PushButton;
  std::uint32_t states = 0;  // AccessibleState bits
  PixelRect bounds;          // client pixels, as presented

  bool operator==(const AccessibleElement&) const = default;
};

struct AccessibleTree {
  std::u16string application;  // the application's name
  std::u16string name;         // the window's (the client area's)
  bool visible = false;
  std::vector<AccessibleElement> children;  // clients number them from 1

  bool operator==(const AccessibleTree&) const = default;
};

// What changed from one description to the next, for the platform to tell
// its clients. `child` counts from 0; -1 is the window itself.
struct AccessibleChange {
  enum class Kind : std::uint8_t {
    Focus,      // the focus moved to `child` (-1: to none of them)
    State,      // states of `child` changed
    Name,       // the name or description of `child` changed
    Location,   // the bounds of `child` changed
    Children,   // children were added or removed
    Visibility, // the window was shown or hidden
  };
  Kind kind = Kind::State;
  int child = -1;

  bool operator==(const AccessibleChange&) const = default;
};

// The changes from `before` to `after`, in the order clients want them: the
// focus first, then states and the rest child by child.
std::vector<AccessibleChange> AccessibleChanges(const AccessibleTree& before, const AccessibleTree& after);

// The child a client reaches from child `from` in the direction given, or -1.
// First, Last: from the window itself (`from` is ignored). Next, Previous: in
// order. Up, Down, Left, Right: the nearest child lying wholly on that side
// that shares some of `from`'s extent across that direction (the earlier one
// of two as near).
enum class AccessibleDirection : std::uint8_t { First, Last, Next, Previous, Up, Down, Left, Right };
int NavigateAccessible(const AccessibleTree& tree, int from, AccessibleDirection direction);

// The first child whose bounds hold the client point, or -1.
int AccessibleChildAt(const AccessibleTree& tree, int x, int y);

}  // namespace platform
