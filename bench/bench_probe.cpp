// libMetaScope next to the same MediaInfo call sequence made directly.
//
// Per file: open, the ten queries and close through the library's exports,
// against the MediaInfo calls that this makes, issued straight to the library.
// MetaScope runs with METASCOPE_TRACE unset (error lines only, so the close
// makes no report) and compares with DirectNoReport; MetaScopeTraceAll writes
// the report line at every close and compares with Direct, which has the
// report made too. Standard error is sent to /dev/null for the run so that a
// terminal does not slow it down.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "MediaInfoEntryPoints.h"
#include "libMetaScopeSDK.h"
#include "platform/DynamicLibrary.h"
#include "platform/PlatformNames.h"

namespace {

const std::string kMedia = MEDIA_FIXTURES_DIR;

struct Fixture {
  const char* file;
  // The (stream kind, parameter) pairs the ten queries ask for this file's
  // type; audio files skip the picture and video queries.
  std::vector<std::pair<int, const char*>> gets;
};

const std::vector<std::pair<int, const char*>> kVideoGets = {
    {1, "Width"},      {1, "Height"},           {1, "Duration"}, {1, "BitRate"},
    {1, "FrameRate"},  {1, "PixelAspectRatio"}, {1, "Rotation"}, {2, "Channel(s)"},
    {2, "SamplingRate"}, {2, "BitRate"}};
const std::vector<std::pair<int, const char*>> kImageGets = {
    {5, "Width"},      {5, "Height"},           {1, "Duration"}, {1, "BitRate"},
    {1, "FrameRate"},  {1, "PixelAspectRatio"}, {1, "Rotation"}, {2, "Channel(s)"},
    {2, "SamplingRate"}, {2, "BitRate"}};
const std::vector<std::pair<int, const char*>> kAudioGets = {
    {2, "Duration"}, {2, "Channel(s)"}, {2, "SamplingRate"}, {2, "BitRate"}};

const Fixture kFixtures[] = {
    {"clip.mp4", kVideoGets},
    {"noaudio.mkv", kVideoGets},
    {"tone.mp3", kAudioGets},
    {"image.png", kImageGets},
};

// The seven entry points the probe calls, resolved from the real library.
struct Direct {
#define BENCH_ENTRY(name, result, params) result(MEDIAINFO_CALL* name) params = nullptr;
  METASCOPE_MEDIAINFO_ENTRY_POINTS(BENCH_ENTRY)
#undef BENCH_ENTRY
  platform::ModuleHandle module = nullptr;

  Direct() {
    module = platform::LoadModule(platform::kMediaInfoLibraryName);
    if (module == nullptr) return;
#define BENCH_RESOLVE(name, result, params) \
  name = reinterpret_cast<result(MEDIAINFO_CALL*) params>(platform::FindModuleEntry(module, #name));
    METASCOPE_MEDIAINFO_ENTRY_POINTS(BENCH_RESOLVE)
#undef BENCH_RESOLVE
  }
};

const Direct& TheDirect() {
  static const Direct direct;
  return direct;
}

// The probe through the exports, with METASCOPE_TRACE at `level` (null:
// unset) for the run.
void RunMetaScope(benchmark::State& state, const char* level) {
  if (level != nullptr) {
    ::setenv("METASCOPE_TRACE", level, 1);
  } else {
    ::unsetenv("METASCOPE_TRACE");
  }
  const std::string path = kMedia + "/" + kFixtures[state.range(0)].file;
  state.SetLabel(kFixtures[state.range(0)].file);
  for (auto _ : state) {
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path.c_str());
    if (context == nullptr) {
      state.SkipWithError("open failed");
      break;
    }
    benchmark::DoNotOptimize(MediaInfoGetWidth(context));
    benchmark::DoNotOptimize(MediaInfoGetHeight(context));
    benchmark::DoNotOptimize(MediaInfoGetVideoDuration(context));
    benchmark::DoNotOptimize(MediaInfoGetVideoBitrate(context));
    benchmark::DoNotOptimize(MediaInfoGetVideoFramerate(context));
    benchmark::DoNotOptimize(MediaInfoGetVideoAspect(context));
    benchmark::DoNotOptimize(MediaInfoGetVideoRotate(context));
    benchmark::DoNotOptimize(MediaInfoGetAudioChannels(context));
    benchmark::DoNotOptimize(MediaInfoGetAudioSamples(context));
    benchmark::DoNotOptimize(MediaInfoGetAudioBitrate(context));
    benchmark::DoNotOptimize(MediaInfoCloseFile(context));
  }
  ::unsetenv("METASCOPE_TRACE");
}

void BM_MetaScope(benchmark::State& state) { RunMetaScope(state, nullptr); }
void BM_MetaScopeTraceAll(benchmark::State& state) { RunMetaScope(state, "all"); }

void RunDirect(benchmark::State& state, bool withReport) {
  const Direct& mi = TheDirect();
  if (mi.module == nullptr) {
    state.SkipWithError("MediaInfo library not found");
    return;
  }
  const Fixture& fixture = kFixtures[state.range(0)];
  const std::string path = kMedia + "/" + fixture.file;
  state.SetLabel(fixture.file);
  for (auto _ : state) {
    void* handle = mi.MediaInfoA_New();
    if (mi.MediaInfoA_Open(handle, path.c_str()) == 0) {
      state.SkipWithError("open failed");
      mi.MediaInfoA_Delete(handle);
      break;
    }
    for (const auto& [kind, parameter] : fixture.gets) {
      benchmark::DoNotOptimize(mi.MediaInfoA_Get(handle, kind, 0, parameter, 1, 0));
    }
    if (withReport) {
      mi.MediaInfoA_Option(handle, "Complete", "");
      benchmark::DoNotOptimize(mi.MediaInfoA_Inform(handle, 0));
    }
    mi.MediaInfoA_Close(handle);
    mi.MediaInfoA_Delete(handle);
  }
}

void BM_Direct(benchmark::State& state) { RunDirect(state, true); }
void BM_DirectNoReport(benchmark::State& state) { RunDirect(state, false); }

BENCHMARK(BM_MetaScope)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MetaScopeTraceAll)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Direct)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DirectNoReport)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // The library's report lines go to standard error; keep them off the terminal.
  const int devNull = ::open("/dev/null", O_WRONLY);
  if (devNull >= 0) {
    ::dup2(devNull, STDERR_FILENO);
    ::close(devNull);
  }
  std::setlocale(LC_ALL, "C.UTF-8");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
