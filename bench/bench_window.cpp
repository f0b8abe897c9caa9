// The main window's drawing and start-up, on the display named by $DISPLAY
// (run under Xvfb with a screen that holds the window at 200 %:
// xvfb-run -a -s "-screen 0 1920x1200x24 -noreset").
//
// BM_RepaintOneControl: one image button changes its picture and is drawn at
//   once: the 858 x 518 frame is composed and the button's area presented.
// BM_StartToFirstFrame/100 and /200: from posix_spawn until a pixel of the
//   program's first frame is on the screen, for the installed launcher at
//   that display scale (per cent) and for a minimal SDL2 program opening and
//   filling a window of the same size (1716 x 1036 at 200 %), run by turns.
//   The time is the launcher's; the counters launcher_ms and minimal_ms are
//   the two programs' medians, and "ratio" the launcher's median over the
//   minimal program's. The launcher has its X input method read no compose
//   table (it takes keys, not text); the minimal program reads the locale's,
//   as any SDL2 program does. So the minimal program runs a third time per
//   iteration with XCOMPOSEFILE=/dev/null: minimal_nocompose_ms, and
//   ratio_nocompose, the launcher's median over that one's, compare the two
//   on the same footing.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "controls/QbVclImageButton.h"
#include "platform/ScreenProbe.h"
#include "platform/WindowSystem.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/PictureView.h"
#include "ui/Scale.h"

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

// Seconds from spawn to the pixel at (x, y) turning `rgb`; negative on failure.
double StartToFirstFrame(platform::ScreenProbe& probe, const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, int x, int y, std::uint32_t rgb) {
  const std::uint32_t before = probe.PixelAt(x, y);
  if (before == rgb) return -1;
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> env;
  for (const auto& e : environment) env.push_back(const_cast<char*>(e.c_str()));
  env.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), env.data()) != 0) return -1;
  double seconds = -1;
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now - start > std::chrono::seconds(20)) break;
    if (probe.PixelAt(x, y) == rgb) {
      seconds = std::chrono::duration<double>(now - start).count();
      break;
    }
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  // The next run starts on a screen without this window.
  const auto gone = std::chrono::steady_clock::now();
  while (probe.PixelAt(x, y) == rgb && std::chrono::steady_clock::now() - gone < std::chrono::seconds(5)) {
  }
  return seconds;
}

// This process's environment with the variables in `set` set to their
// values and those named in `unset` taken out.
std::vector<std::string> Environment(const std::map<std::string, std::string>& set,
                                     const std::vector<std::string>& unset) {
  std::vector<std::string> out;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (set.count(name) == 0 && std::find(unset.begin(), unset.end(), name) == unset.end()) out.push_back(entry);
  }
  for (const auto& [name, value] : set) out.push_back(name + "=" + value);
  return out;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The launcher at `percent` % (VIDORRA_SCALE) and the minimal SDL2 program
// in a window of the same size, with and without a compose table, run by
// turns (each iteration runs all three, the first of them changing every
// time), so that a slow spell of the machine falls on all alike.
void BM_StartToFirstFrame(benchmark::State& state) {
  const int percent = static_cast<int>(state.range(0));
  const ui::TScale scale = ui::TScale::FromPercent(percent);
  const int width = scale.Edge(858), height = scale.Edge(518);
  auto probe = platform::OpenScreenProbe();
  if (!probe) {
    state.SkipWithError("no display");
    return;
  }
  int screenWidth = 0, screenHeight = 0;
  probe->Size(screenWidth, screenHeight);
  if (screenWidth < width || screenHeight < height) {
    state.SkipWithError("the screen is smaller than the window");
    return;
  }
  // A background pixel well away from the buttons, where it lands with the
  // window centred, and its colour in the background drawn for the scale.
  const int wx = scale.Edge(20), wy = scale.Edge(100);
  const int sx = (screenWidth - width) / 2 + wx, sy = (screenHeight - height) / 2 + wy;
  ui::TPngImage background;
  const std::string name = percent == 100 ? "background.png" : "background@" + std::to_string(percent) + ".png";
  if (!background.LoadFromFile(VIDORRA_PICTURES "/" + name) || background.Width() != width) {
    state.SkipWithError(("no picture " + name + " of the window's size").c_str());
    return;
  }
  const std::uint8_t* p = background.ColourRow(wy) + 3 * wx;
  const std::uint32_t launcherColour = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];

  const std::vector<std::string> launcher = {VIDORRA_INSTALLED_LAUNCHER, "-bench"};
  const std::vector<std::string> minimal = {VIDORRA_MINIMAL_SDL, std::to_string(width), std::to_string(height)};
  const std::vector<std::string> launcherEnvironment = Environment(
      {{"VIDORRA_SCALE", std::to_string(percent / 100.0)},
       {"TAVREL_ACTION", ""},
       {"TAVREL_DIR", (fs::temp_directory_path() / "vidorra-bench-state").string()}},
      {"GDK_SCALE"});
  const std::vector<std::string> minimalEnvironment = Environment({}, {});
  const std::vector<std::string> noComposeEnvironment = Environment({{"XCOMPOSEFILE", "/dev/null"}}, {});

  std::vector<double> launcherSeconds, minimalSeconds, noComposeSeconds;
  int first = 0;
  for (auto _ : state) {
    // The program that starts first changes every time.
    first = (first + 1) % 3;
    double l = 0, m = 0, n = 0;
    for (int turn = 0; turn < 3; ++turn) {
      switch ((first + turn) % 3) {
        case 0:
          l = StartToFirstFrame(*probe, launcher, launcherEnvironment, sx, sy, launcherColour);
          break;
        case 1:
          m = StartToFirstFrame(*probe, minimal, minimalEnvironment, sx, sy, 0x3366CC);
          break;
        default:
          n = StartToFirstFrame(*probe, minimal, noComposeEnvironment, sx, sy, 0x3366CC);
          break;
      }
    }
    if (l < 0 || m < 0 || n < 0) {
      state.SkipWithError("no first frame seen");
      return;
    }
    state.SetIterationTime(l);
    launcherSeconds.push_back(l);
    minimalSeconds.push_back(m);
    noComposeSeconds.push_back(n);
  }
  const double launcherMedian = Median(launcherSeconds), minimalMedian = Median(minimalSeconds),
               noComposeMedian = Median(noComposeSeconds);
  state.counters["launcher_ms"] = 1000 * launcherMedian;
  state.counters["minimal_ms"] = 1000 * minimalMedian;
  state.counters["ratio"] = launcherMedian / minimalMedian;
  state.counters["minimal_nocompose_ms"] = 1000 * noComposeMedian;
  state.counters["ratio_nocompose"] = launcherMedian / noComposeMedian;
}
BENCHMARK(BM_StartToFirstFrame)->Arg(100)->Arg(200)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
