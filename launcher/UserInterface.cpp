#include "launcher/UserInterface.h"

#include <future>
#include <memory>
#include <string>
#include <utility>

#include "launcher/MainFrm.h"
#include "platform/WindowSystem.h"
#include "ui/Application.h"

namespace launcher {

namespace {

// Decodes the main window's pictures on a thread of its own while the window
// system opens, which takes about as long; the thread has ended before the
// window is made. Without a thread they are decoded when the window is made.
std::future<TLauncherPictures> DecodePicturesMeanwhile() {
  try {
    return std::async(std::launch::async, &TLauncherPictures::Decode);
  } catch (...) {
    return {};
  }
}

}  // namespace

void RunUserInterface(TMainWindowMode mode, const TLauncherPaths& paths) {
  std::future<TLauncherPictures> pictures = DecodePicturesMeanwhile();
  std::string error;
  std::unique_ptr<platform::WindowSystem> system = platform::OpenWindowSystem(error);
  // Without a display nothing can be shown; like every failure of the
  // launcher, this one is silent and the run ends.
  if (!system) return;
  ui::TApplication application(std::move(system));
  const bool hidden = mode == TMainWindowMode::mwHidden;
  application.SetMainFormOnTaskBar(!hidden);
  application.SetShowMainForm(!hidden);
  frmMain = pictures.valid() ? application.CreateForm<TfrmMain>(paths, pictures.get())
                             : application.CreateForm<TfrmMain>(paths);
  if (hidden) frmMain->Hide();
  application.Run();
  frmMain = nullptr;
}

}  // namespace launcher
