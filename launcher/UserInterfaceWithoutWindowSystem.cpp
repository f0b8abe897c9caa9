// The user interface where the platform has no window system in this tree
// yet: the window modes end where the main window would open.
#include "launcher/UserInterface.h"

namespace launcher {

void RunUserInterface(TMainWindowMode, const TLauncherPaths&) {}

}  // namespace launcher
