// The entry point of the launcher's user interface.
//
// The start-up sequence decides whether a run shows the main window and in
// which mode, then hands over here once; the call returns when the main
// window has closed and the run is over.
#pragma once

#include <string>

namespace launcher {

enum class TMainWindowMode {
  mwVisible,  // own taskbar button; shown centred when the message loop starts
  mwHidden,   // no taskbar button; not shown when the message loop starts
};

struct TLauncherPaths {
  std::u16string ownPath;  // the launcher's own full path
  std::u16string folder;   // its folder, ending in a separator
};

// Initialises the application's user interface, creates the main window in
// `mode` and runs the message loop until that window closes.
void RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths);

}  // namespace launcher
