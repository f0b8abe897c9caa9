// The launcher's main window at display scales, for the scale test under
// Wine (launcher-scale-test.sh).
//
//   scaleprobe.exe frames DPI FOLDER
//     Writes the frames the launcher's window code composes at DPI, on a
//     window system without a display, as binary PPM files into FOLDER:
//     normal.ppm, cut-mouseon.ppm (the pointer in Cut's middle) and
//     cut-mousedown.ppm (the left button held there). Prints "client W H"
//     and "NAME LEFT TOP WIDTH HEIGHT" for close, edit, cut and join.
//
//   scaleprobe.exe dpichanged DPI LEFT TOP RIGHT BOTTOM
//     Runs the main window as VidorraMain.exe does (the platform's window
//     system), and once it has been shown sends its own window
//     WM_DPICHANGED with DPI and the suggested rectangle, as Windows does
//     when the window moves to a monitor of another density (Wine never
//     sends it; and a rectangle does not cross processes). After that has
//     been handled, prints "client W H at X Y" from GetClientRect and
//     ClientToScreen, then runs until the window is closed.
#include "FakeWindowSystem.h"
#include "launcher/MainFrm.h"
#include "platform/WindowSystem.h"
#include "ui/Application.h"
#include "ui/Timer.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef CreateWindow

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

const launcher::TLauncherPaths kNoFolder{u"Z:\\nowhere\\VidorraMain.exe", u"Z:\\nowhere\\"};

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

bool WritePpm(const ui::TPngImage& frame, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << frame.Width() << " " << frame.Height() << "\n255\n";
  for (int y = 0; y < frame.Height(); ++y)
    out.write(reinterpret_cast<const char*>(frame.ColourRow(y)), 3 * static_cast<std::streamsize>(frame.Width()));
  return static_cast<bool>(out);
}

int Frames(int dpi, const std::string& folder) {
  using Type = platform::WindowEvent::Type;
  for (const char* state : {"normal", "cut-mouseon", "cut-mousedown"}) {
    auto* fake = new testsupport::FakeWindowSystem;
    fake->scale = dpi / 96.0;
    ui::TApplication app{std::unique_ptr<platform::WindowSystem>(fake)};
    auto* form = app.CreateForm<launcher::TfrmMain>(kNoFolder);
    form->Show();
    const int x = form->btnCut->Left() + form->btnCut->Width() / 2;
    const int y = form->btnCut->Top() + form->btnCut->Height() / 2;
    if (state != std::string("normal")) fake->Mouse(Type::MouseMove, form->WindowId(), x, y);
    if (state == std::string("cut-mousedown")) fake->Mouse(Type::MouseDown, form->WindowId(), x, y);
    while (!fake->queue.empty()) app.HandleMessage();
    if (!WritePpm(fake->windows.at(form->WindowId())->screen, folder + "/" + state + ".ppm")) {
      Say("cannot write " + folder);
      return 1;
    }
    if (state != std::string("normal")) continue;
    Say("client " + std::to_string(form->ClientWidth()) + " " + std::to_string(form->ClientHeight()));
    const std::pair<const char*, const ui::TControl*> buttons[] = {
        {"close", form->btnCloseFrm}, {"edit", form->btnEdit}, {"cut", form->btnCut}, {"join", form->btnJoin}};
    for (const auto& [name, button] : buttons)
      Say(std::string(name) + " " + std::to_string(button->Left()) + " " + std::to_string(button->Top()) + " " +
          std::to_string(button->Width()) + " " + std::to_string(button->Height()));
  }
  return 0;
}

// The window of this process titled "Vidorra".
HWND OwnWindow() {
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, nullptr, L"Vidorra")) != nullptr) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId()) return window;
  }
  return nullptr;
}

int DpiChanged(int dpi, const RECT& suggested) {
  std::string error;
  std::unique_ptr<platform::WindowSystem> system = platform::OpenWindowSystem(error);
  if (!system) {
    Say("no window system: " + error);
    return 1;
  }
  ui::TApplication app(std::move(system));
  auto* form = app.CreateForm<launcher::TfrmMain>(kNoFolder);
  ui::TTimer* send = form->CreateTimer();
  ui::TTimer* report = form->CreateTimer();
  send->SetInterval(1000);
  send->SetOnTimer([&](ui::TTimer&) {
    send->SetEnabled(false);
    const HWND window = OwnWindow();
    if (window == nullptr) {
      Say("no window");
      return;
    }
    RECT rect = suggested;
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
    Say("sent");
    // The window system queued the change: the form handles it next.
    report->SetEnabled(true);
  });
  report->SetInterval(300);
  report->SetOnTimer([&](ui::TTimer&) {
    report->SetEnabled(false);
    const HWND window = OwnWindow();
    RECT client{};
    POINT origin{0, 0};
    ::GetClientRect(window, &client);
    ::ClientToScreen(window, &origin);
    Say("client " + std::to_string(client.right - client.left) + " " + std::to_string(client.bottom - client.top) +
        " at " + std::to_string(origin.x) + " " + std::to_string(origin.y));
  });
  const ui::TFormEvent shown = form->OnShow;
  form->OnShow = [&, shown](ui::TForm& sender) {
    if (shown) shown(sender);
    send->SetEnabled(true);
  };
  Say("created at scale " + std::to_string(form->Scale().Factor()));
  app.Run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "frames" && argc == 4) return Frames(std::atoi(argv[2]), argv[3]);
  if (mode == "dpichanged" && argc == 7)
    return DpiChanged(std::atoi(argv[2]), RECT{std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                                                std::atoi(argv[6])});
  Say("usage: scaleprobe frames DPI FOLDER | dpichanged DPI LEFT TOP RIGHT BOTTOM");
  return 2;
}
