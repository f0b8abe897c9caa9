#include "launcher/SystemStartupServices.h"

#include "launcher/UpdateServiceCalls.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace launcher {

void TSystemStartupServices::MarkRunning() {
  if (!runningMark_) runningMark_.emplace();
}

bool TSystemStartupServices::IsAdministrator() { return platform::IsAdministrator(); }

bool TSystemStartupServices::FileExists(const std::u16string& path) {
  return platform::FileExists(path);
}

void TSystemStartupServices::ChangeCurrentDirectory(const std::u16string& folder) {
  (void)platform::ChangeCurrentDirectory(folder);
}

platform::ModuleHandle TSystemStartupServices::LoadModuleFromPath(const std::u16string& path) {
  return platform::LoadModuleFromPath(path);
}

void* TSystemStartupServices::FindModuleEntryByOrdinal(platform::ModuleHandle module,
                                                       const platform::ModuleEntryId& entry) {
  return platform::FindModuleEntryByOrdinal(module, entry);
}

void TSystemStartupServices::FreeModule(platform::ModuleHandle module) {
  platform::FreeModule(module);
}

void TSystemStartupServices::StartProgram(const std::u16string& program,
                                          const std::vector<std::u16string>& arguments) {
  platform::StartProgram(program, arguments);
}

std::u16string TSystemStartupServices::UpdateServiceStart(const TUpdateServiceStartCall& call) {
  return CallUpdateServiceStart(call);
}

void TSystemStartupServices::RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) {
  launcher::RunUserInterface(mode, paths);
}

}  // namespace launcher
