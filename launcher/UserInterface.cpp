#include "launcher/UserInterface.h"

#include <memory>
#include <string>
#include <utility>

#include "launcher/MainFrm.h"
#include "platform/WindowSystem.h"
#include "ui/Application.h"

namespace launcher {

void RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) {
  std::string error;
  std::unique_ptr<platform::WindowSystem> system = platform::OpenWindowSystem(error);
  // Without a display nothing can be shown; like every failure of the
  // launcher, this one is silent and the run ends.
  if (!system) return;
  ui::TApplication application(std::move(system));
  const bool hidden = mode == TMainWindowMode::mwHidden;
  application.SetMainFormOnTaskBar(!hidden);
  application.SetShowMainForm(!hidden);
  frmMain = application.CreateForm<TfrmMain>(paths);
  if (hidden) frmMain->Hide();
  application.Run();
  frmMain = nullptr;
}

}  // namespace launcher
