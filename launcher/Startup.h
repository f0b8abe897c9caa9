// The launcher's start-up: from the command line to one of four outcomes
// (remove the periodic update check, hand the start over to the starter
// program, let the update-service library end the run, or run the user
// interface). Plain portable logic over TStartupServices.
#pragma once

#include "launcher/CommandLine.h"
#include "launcher/UserInterface.h"
#include "platform/DynamicLibrary.h"

#include <string>
#include <vector>

namespace launcher {

// What UpdateServiceStart is given besides the result slot and the
// application object.
struct TUpdateServiceStartCall {
  std::u16string serverUrl;
  std::u16string vendorCode;
  std::u16string productId;
  std::u16string productVersion;
  std::u16string argument1;
  std::u16string argument3;
  std::u16string argument4;
};

// Everything the start-up needs of the platform, the update-service library
// and the user interface.
class TStartupServices {
 public:
  virtual ~TStartupServices() = default;

  // Marks the launcher as running for the rest of the process, so that a
  // setup program or uninstaller leaves its files alone meanwhile.
  virtual void MarkRunning() = 0;
  virtual bool IsAdministrator() = 0;
  virtual bool FileExists(const std::u16string& path) = 0;
  virtual void ChangeCurrentDirectory(const std::u16string& folder) = 0;
  virtual platform::ModuleHandle LoadModuleFromPath(const std::u16string& path) = 0;
  virtual void* FindModuleEntryByOrdinal(platform::ModuleHandle module,
                                         const platform::ModuleEntryId& entry) = 0;
  virtual void FreeModule(platform::ModuleHandle module) = 0;
  virtual void StartProgram(const std::u16string& program,
                            const std::vector<std::u16string>& arguments) = 0;
  // Calls entry 1 and returns a copy of the action word it left.
  virtual std::u16string UpdateServiceStart(const TUpdateServiceStartCall& call) = 0;
  virtual void RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) = 0;
};

// The folder of `ownPath`: everything up to and including its last folder
// separator; empty when it has none.
TLauncherPaths LauncherPathsFrom(const std::u16string& ownPath);

// Runs the start-up sequence to its end.
void RunStartup(TStartupServices& services, const TStartupArguments& arguments,
                const std::u16string& ownPath);

// Removes the periodic update check through entry 12 of the update-service
// library beside the launcher. Silent on every failure.
void UninstallUpdateCheck(TStartupServices& services, const TLauncherPaths& paths);

}  // namespace launcher
