#include "launcher/SystemStartupServices.h"

#include "launcher/DLLExportFunc.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"

namespace launcher {

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
  const TLibraryText serverUrl(call.serverUrl);
  const TLibraryText vendorCode(call.vendorCode);
  const TLibraryText productId(call.productId);
  const TLibraryText productVersion(call.productVersion);
  const TLibraryText argument1(call.argument1);
  const TLibraryText argument3(call.argument3);
  const TLibraryText argument4(call.argument4);
  char16_t* action = nullptr;
  (void)::UpdateServiceStart(&action, ApplicationObject(), serverUrl.Pointer(),
                             vendorCode.Pointer(), productId.Pointer(), productVersion.Pointer(),
                             argument1.Pointer(), argument3.Pointer(), argument4.Pointer());
  return CopyLibraryText(action);
}

void TSystemStartupServices::RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) {
  launcher::RunUserInterface(mode, paths);
}

}  // namespace launcher
