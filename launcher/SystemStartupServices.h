// TStartupServices on the real platform, the update-service library bound to
// the process, and the user interface.
#pragma once

#include "launcher/Startup.h"
#include "platform/RunningMark.h"

#include <optional>

namespace launcher {

class TSystemStartupServices final : public TStartupServices {
 public:
  void MarkRunning() override;
  bool IsAdministrator() override;
  bool FileExists(const std::u16string& path) override;
  void ChangeCurrentDirectory(const std::u16string& folder) override;
  platform::ModuleHandle LoadModuleFromPath(const std::u16string& path) override;
  void* FindModuleEntryByOrdinal(platform::ModuleHandle module,
                                 const platform::ModuleEntryId& entry) override;
  void FreeModule(platform::ModuleHandle module) override;
  void StartProgram(const std::u16string& program,
                    const std::vector<std::u16string>& arguments) override;
  std::u16string UpdateServiceStart(const TUpdateServiceStartCall& call) override;
  void RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) override;

 private:
  // Held until the services end with the process's main program.
  std::optional<platform::RunningMark> runningMark_;
};

}  // namespace launcher
