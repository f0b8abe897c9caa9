#include "launcher/UserInterface.h"

namespace launcher {

namespace {
// The application: it exists for the whole process, before any window does.
struct TApplication {
} Application;
}  // namespace

void RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) {
  // The main window is not built yet: the run ends here in either mode.
  (void)mode;
  (void)paths;
}

void* ApplicationObject() noexcept { return &Application; }

}  // namespace launcher
