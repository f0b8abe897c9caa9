// The main window's drawing and start-up, on the display named by $DISPLAY
// (run under Xvfb: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset").
//
// BM_RepaintOneControl: one image button changes its picture and is drawn at
//   once: the 858 x 518 frame is composed and the button's area presented.
// BM_StartToFirstFrame/launcher and /minimal_sdl: from posix_spawn until a
//   pixel of the program's first frame is on the screen, for the installed
//   launcher and for a minimal SDL2 program of the same window size. The
//   counter "ratio" of the launcher's run is its mean over the minimal one's.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "controls/QbVclImageButton.h"
#include "platform/ScreenProbe.h"
#include "platform/WindowSystem.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/PictureView.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

void BM_RepaintOneControl(benchmark::State& state) {
  std::string error;
  auto system = platform::OpenWindowSystem(error);
  if (!system) {
    state.SkipWithError(("no display: " + error).c_str());
    return;
  }
  ui::TApplication app(std::move(system));
  auto* form = app.CreateForm<ui::TForm>(ui::TForm::TCreateParams{858, 518, ui::bsNone});
  auto* background = form->CreateControl<ui::TPictureView>();
  (void)background->Picture().LoadFromFile(VIDORRA_PICTURES "/background.png");
  background->SetBounds(0, 0, 858, 518);
  auto* button = form->CreateControl<controls::TQbVclImageButton>();
  button->SetEnableAnimation(false);
  button->SetBounds(428, 170, 171, 78);
  (void)button->PicNormal().LoadFromFile(VIDORRA_PICTURES "/cut-normal.png");
  (void)button->PicMouseOn().LoadFromFile(VIDORRA_PICTURES "/cut-mouseon.png");
  form->Show();
  bool on = false;
  for (auto _ : state) {
    on = !on;
    button->ShowState(on ? controls::isMouseOn : controls::isNormal);
  }
}
BENCHMARK(BM_RepaintOneControl)->Unit(benchmark::kMillisecond);

double g_minimalSeconds = 0;

// Seconds from spawn to the pixel at (x, y) turning `rgb`; negative on failure.
double StartToFirstFrame(const std::vector<std::string>& argv, int x, int y, std::uint32_t rgb) {
  auto probe = platform::OpenScreenProbe();
  if (!probe) return -1;
  const std::uint32_t before = probe->PixelAt(x, y);
  if (before == rgb) return -1;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  double seconds = -1;
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now - start > std::chrono::seconds(20)) break;
    if (probe->PixelAt(x, y) == rgb) {
      seconds = std::chrono::duration<double>(now - start).count();
      break;
    }
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return seconds;
}

void BM_StartToFirstFrame(benchmark::State& state, bool launcher) {
  // A background pixel well away from the buttons, and where it lands on a
  // 1280 x 1024 screen with the window centred.
  const int wx = 20, wy = 100;
  const int sx = (1280 - 858) / 2 + wx, sy = (1024 - 518) / 2 + wy;
  std::uint32_t expected = 0x3366CC;
  std::vector<std::string> argv = {VIDORRA_MINIMAL_SDL};
  if (launcher) {
    ui::TPngImage background;
    (void)background.LoadFromFile(VIDORRA_PICTURES "/background.png");
    const std::uint8_t* p = background.ColourRow(wy) + 3 * wx;
    expected = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    argv = {VIDORRA_INSTALLED_LAUNCHER, "-bench"};
    setenv("TAVREL_ACTION", "", 1);
    setenv("TAVREL_DIR", (fs::temp_directory_path() / "vidorra-bench-state").c_str(), 1);
  }
  double total = 0;
  for (auto _ : state) {
    const double seconds = StartToFirstFrame(argv, sx, sy, expected);
    if (seconds < 0) {
      state.SkipWithError("no first frame seen");
      return;
    }
    state.SetIterationTime(seconds);
    total += seconds;
  }
  const double mean = total / static_cast<double>(state.iterations());
  if (!launcher) g_minimalSeconds = mean;
  if (launcher && g_minimalSeconds > 0) state.counters["ratio"] = mean / g_minimalSeconds;
}
BENCHMARK_CAPTURE(BM_StartToFirstFrame, minimal_sdl, false)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StartToFirstFrame, launcher, true)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
