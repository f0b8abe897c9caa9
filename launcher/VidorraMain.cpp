// The launcher's main program.
#include "launcher/CommandLine.h"
#include "launcher/Startup.h"
#include "launcher/SystemStartupServices.h"
#include "platform/CommandLine.h"
#include "platform/Process.h"

int main(int argc, char** argv) {
  // Every path ends with exit code 0, a failure included; nothing is shown.
  try {
    launcher::TSystemStartupServices services;
    launcher::RunStartup(services,
                         launcher::StartupArgumentsFrom(platform::ReadCommandLine(argc, argv)),
                         platform::OwnExecutablePath());
  } catch (...) {
  }
  return 0;
}
