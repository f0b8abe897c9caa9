#include "launcher/Startup.h"

#include "launcher/DLLExportFunc.h"
#include "launcher/StartupConstants.h"
#include "platform/PlatformNames.h"

namespace launcher {

namespace {

std::u16string AsciiLowerCase(std::u16string text) {
  for (auto& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// Frees a loaded module when it goes out of scope.
class TModuleHolder {
 public:
  TModuleHolder(TStartupServices& services, platform::ModuleHandle module)
      : services_(services), module_(module) {}
  ~TModuleHolder() {
    if (module_ != nullptr) services_.FreeModule(module_);
  }
  TModuleHolder(const TModuleHolder&) = delete;
  TModuleHolder& operator=(const TModuleHolder&) = delete;
  platform::ModuleHandle get() const { return module_; }

 private:
  TStartupServices& services_;
  platform::ModuleHandle module_;
};

void HandOverToStarter(TStartupServices& services, const TLauncherPaths& paths) {
  // Without a folder the starter's path would be relative to whatever the
  // current directory is: start nothing rather than an unknown program.
  if (paths.folder.empty()) return;
  services.StartProgram(paths.folder + platform::kStarterProgramName, {paths.ownPath});
}

}  // namespace

TLauncherPaths LauncherPathsFrom(const std::u16string& ownPath) {
  TLauncherPaths paths;
  paths.ownPath = ownPath;
  const std::size_t last = ownPath.find_last_of(platform::kFolderSeparators);
  if (last != std::u16string::npos) paths.folder = ownPath.substr(0, last + 1);
  return paths;
}

void UninstallUpdateCheck(TStartupServices& services, const TLauncherPaths& paths) {
  if (paths.folder.empty()) return;
  const std::u16string libraryPath = paths.folder + platform::kUpdateServiceLibraryName;
  if (!services.FileExists(libraryPath)) return;
  services.ChangeCurrentDirectory(paths.folder);
  const TModuleHolder library(services, services.LoadModuleFromPath(libraryPath));
  if (library.get() == nullptr) return;
  void* entry = services.FindModuleEntryByOrdinal(library.get(), RemoveUpdateCheckEntry);
  if (entry == nullptr) return;
  const TLibraryText taskName(UpdateTaskName);
  (void)reinterpret_cast<TRemoveUpdateCheck>(entry)(taskName.Pointer());
}

void RunStartup(TStartupServices& services, const TStartupArguments& arguments,
                const std::u16string& ownPath) {
  const TLauncherPaths paths = LauncherPathsFrom(ownPath);

  // The uninstall path is run by the uninstaller itself, after its own check
  // for a running launcher: it sets no mark.
  if (AsciiLowerCase(arguments[0]) == u"-uninstall") {
    UninstallUpdateCheck(services, paths);
    return;
  }
  // Every other run keeps the installed files in use, from the update-service
  // library's decision (it may take long) to the end of the window.
  services.MarkRunning();

  // The administrator test runs only when arguments 1 to 3 are all empty.
  if (!arguments[0].empty() || !arguments[1].empty() || !arguments[2].empty() ||
      services.IsAdministrator()) {
    TUpdateServiceStartCall call;
    call.serverUrl = UpdateServerUrl;
    call.vendorCode = VendorCode;
    call.productId = ProductId;
    call.productVersion = ProductVersion;
    call.argument1 = arguments[0];
    call.argument3 = arguments[2];
    call.argument4 = arguments[3];
    const std::u16string StartAction = services.UpdateServiceStart(call);
    if (StartAction == u"exit") return;
    services.RunUserInterface(
        StartAction == u"hide" ? TMainWindowMode::mwHidden : TMainWindowMode::mwVisible, paths);
    return;
  }

  HandOverToStarter(services, paths);
}

}  // namespace launcher
