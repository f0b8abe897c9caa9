# A screen reader's view of the launcher over AT-SPI (Debian's pyatspi, for
# /usr/bin/python3), driving the window with xdotool as a person would.
#
#   atspi-client.py WINDOW X Y LOG [SCALE]
#
# WINDOW is the launcher's X window, X and Y its client area's place on the
# screen, LOG the stand-ins' Tavrel.log, SCALE the launcher's display scale
# (1 unless given: its layout's places are multiplied by it, each edge
# rounded on its own). Finds the application "Vidorra", reads its frame
# and four push buttons at their places in device pixels, follows the focus
# and state events
# through a keyboard focus move and a press, then performs the action of
# 视频合并: the call must return within a second and the joiner start with
# "join". One line per check ("ok ..." / "FAIL ..."); the exit status is the
# number of failures.
import math
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

window, origin_x, origin_y, log = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
scale = float(sys.argv[5]) if len(sys.argv) > 5 else 1.0
failures = 0


def at(value):
    """A coordinate of the 96-dpi layout in device pixels, as the launcher
    rounds an edge."""
    return math.floor(value * scale + 0.5)


def scaled(left, top, width, height):
    return at(left), at(top), at(left + width) - at(left), at(top + height) - at(top)


def check(what, ok, detail=""):
    global failures
    print(("ok   " if ok else "FAIL ") + what + ("" if ok or not detail else ": " + str(detail)), flush=True)
    if not ok:
        failures += 1
    return ok


def pump(seconds, until=lambda: False):
    """Runs the GLib main context (events arrive through it) until `until`
    holds or `seconds` have passed; whether it held."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if until():
            return True
        if time.monotonic() >= end:
            return False
        time.sleep(0.01)


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


events = []


def heard(event):
    events.append((event.type, event.source.name if event.source else None, event.detail1))


def heard_event(kind, name, value):
    return lambda: (kind, name, value) in events


def states(accessible):
    accessible.clear_cache()
    return {pyatspi.stateToString(s) for s in accessible.getState().getStates()}


# The application, once the launcher has registered with the registry.
app = None


def find_app():
    global app
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        child = desktop.getChildAtIndex(i)
        if child is not None and child.name == "Vidorra":
            app = child
            return True
    return False


if not check("the registry lists the application Vidorra", pump(20, find_app)):
    sys.exit(failures)
pyatspi.Registry.registerEventListener(heard, "object:state-changed:focused", "object:state-changed:pressed")

check("the application holds one frame", app.childCount == 1, app.childCount)
frame = app.getChildAtIndex(0)
check("the frame is named Vidorra", frame.name == "Vidorra" and frame.getRole() == pyatspi.ROLE_FRAME,
      (frame.name, frame.getRoleName()))
print(f"     {app.getRoleName()} {app.name!r} > {frame.getRoleName()} {frame.name!r}, "
      f"states {' '.join(sorted(states(frame)))}", flush=True)
check("the frame holds four children", frame.childCount == 4, frame.childCount)
layout = [("视频编辑", "Edit", (251, 170, 171, 165)), ("视频剪切", "Cut", (428, 170, 171, 78)),
          ("视频合并", "Join", (428, 257, 171, 78)), ("关闭", "Close", (834, 4, 20, 20))]
buttons = [frame.getChildAtIndex(i) for i in range(min(frame.childCount, 4))]
for button, (name, description, (left, top, width, height)) in zip(buttons, layout):
    check(f"{description}: push button {name}",
          (button.name, button.description, button.getRole()) == (name, description, pyatspi.ROLE_PUSH_BUTTON),
          (button.name, button.description, button.getRoleName()))
    extents = button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    left, top, width, height = scaled(left, top, width, height)
    check(f"{description}: its place on the screen",
          (extents.x, extents.y, extents.width, extents.height) == (origin_x + left, origin_y + top, width, height),
          (extents.x, extents.y, extents.width, extents.height))
    action = button.queryAction()
    check(f"{description}: one action, click (按下)",
          (action.nActions, action.getName(0), action.getLocalizedName(0)) == (1, "click", "按下"),
          (action.nActions, action.getName(0), action.getLocalizedName(0)))
    expected = {"enabled", "sensitive", "focusable", "showing", "visible"} | ({"focused"} if name == "视频编辑" else set())
    check(f"{description}: states", states(button) == expected, sorted(states(button)))
    print(f"     {button.getRoleName()} {button.name!r} ({button.description}) at "
          f"{extents.x},{extents.y} {extents.width}x{extents.height}, action {action.getName(0)} "
          f"({action.getLocalizedName(0)}), states {' '.join(sorted(states(button)))}", flush=True)
edit, cut, join, close = buttons

# A focus move by the keyboard: Tab from Edit to Cut.
xdotool("windowfocus", "--sync", window)
xdotool("key", "--window", window, "Tab")
check("Tab: Cut gains the focus (event)", pump(10, heard_event("object:state-changed:focused", "视频剪切", 1)), events)
check("Tab: Edit loses it (event)", heard_event("object:state-changed:focused", "视频编辑", 0)(), events)
check("Tab: Cut is focused, Edit no longer", "focused" in states(cut) and "focused" not in states(edit))

# A press on Join: it takes the focus and is pressed; released away from
# it, nothing is clicked.
events.clear()
xdotool("mousemove", origin_x + at(428 + 85), origin_y + at(257 + 39))
xdotool("mousedown", 1)
check("a press on Join: pressed (event)", pump(10, heard_event("object:state-changed:pressed", "视频合并", 1)), events)
check("a press on Join: it takes the focus (event)", heard_event("object:state-changed:focused", "视频合并", 1)(), events)
check("a press on Join: pressed and focused", {"pressed", "focused"} <= states(join), sorted(states(join)))
xdotool("mousemove", origin_x + at(120), origin_y + at(420))
xdotool("mouseup", 1)
check("released away: no longer pressed (event)", pump(10, heard_event("object:state-changed:pressed", "视频合并", 0)),
      events)
check("released away: not pressed", "pressed" not in states(join))


def log_lines(name):
    try:
        with open(log, encoding="utf-8") as f:
            return [line for line in f if line.split("\t", 1)[0] == name]
    except FileNotFoundError:
        return []


check("released away: nothing started", not log_lines("Snipwell"))

# The action of 视频合并 returns at once; the joiner starts.
action = join.queryAction()
started = time.monotonic()
done = action.doAction(0)
took = time.monotonic() - started
check("the action of 视频合并 is done", done)
check(f"the action returns within a second (took {took * 1000:.0f} ms)", took < 1.0)
print(f"action-ms {took * 1000:.1f}", flush=True)
check("the joiner starts with join",
      pump(20, lambda: any("\targs=join\t" in line for line in log_lines("Snipwell"))), log_lines("Snipwell"))
sys.exit(failures)
