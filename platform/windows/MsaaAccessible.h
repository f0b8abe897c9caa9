// Screen readers on Windows: a window's accessible content as an IAccessible
// (MSAA, which UI Automation clients read through their proxy).
//
// WM_GETOBJECT for OBJID_CLIENT is answered with the client object
// (LresultFromObject): named after the window, ROLE_SYSTEM_CLIENT, with the
// window's children as simple elements 1..n, each a push button with its
// name, description, states, place on the screen in device pixels and
// default action; hit testing, navigation and the child enumeration of
// AccessibleChildren (get_accChildCount and get_accChild) come with it.
// Changes go out as WinEvents (NotifyWinEvent: EVENT_OBJECT_FOCUS while the
// window has the keyboard, EVENT_OBJECT_STATECHANGE, ...).
//
// accDoDefaultAction only queues the action (the `activate` hook) and
// returns: the client is not held while the action runs.
//
// Calls arrive on the window's thread, which joins a single-threaded COM
// apartment at the first request (never before: a program no client asks
// pays nothing). A client may keep the object after the window has gone:
// it is then disconnected, every call answers CO_E_OBJNOTCONNECTED, and it
// lives until the client lets go of it.
#pragma once

// Before <windows.h>, whose CreateWindow macro the window-system contract
// would not survive.
#include "platform/Accessibility.h"

#include <windows.h>

#include <functional>
#include <span>

namespace platform::windows {

class AccessibleClient;  // the COM object

// The thread's single-threaded apartment, joined on first use and left
// when the owner goes (after every object it served is disconnected).
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // False when COM cannot be used on this thread.
  bool Join();

 private:
  bool joined_ = false;
  bool tried_ = false;
};

class WindowAccessibility {
 public:
  WindowAccessibility(HWND window, ComApartment& apartment, std::function<void(int child)> activate);
  ~WindowAccessibility();
  WindowAccessibility(const WindowAccessibility&) = delete;
  WindowAccessibility& operator=(const WindowAccessibility&) = delete;

  void Update(const AccessibleTree& tree, std::span<const AccessibleChange> changes);
  // The window took the keyboard: the focused child has the focus again.
  void KeyboardGained();
  // WM_GETOBJECT: the answer for OBJID_CLIENT; false for every other object
  // (the window's default processing answers those).
  bool Answer(WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  HWND window_;
  ComApartment& apartment_;
  std::function<void(int)> activate_;
  AccessibleTree tree_;
  AccessibleClient* client_ = nullptr;  // one reference held while connected
};

}  // namespace platform::windows
