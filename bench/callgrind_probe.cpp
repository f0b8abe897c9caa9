// One probe of a media file, counted by callgrind: through libMetaScope's
// exports ("probe"), or as the same MediaInfo calls made directly on the
// MediaInfo library ("direct").
//
//   callgrind_probe probe|direct FILE [REPEAT]
//
// Run under valgrind --tool=callgrind --instr-atstart=no: only the REPEAT
// probes between the marks below are counted. Before them, in both modes, the
// program has loaded both libraries (libMetaScope is linked, the MediaInfo
// library is opened here) and made one probe of FILE the same way, so that
// neither count holds process start-up, the MediaInfo library's one-time
// set-up or a first touch of the file. bench/callgrind_probe.sh runs it.
//
// METASCOPE_TRACE is unset for the run: a close makes no report, and the
// direct calls make none either. The direct calls are the ones the library
// makes (MediaInfoBinding.cpp); what the library does around them (the
// record, the name's conversion, reading numbers from the answers) is its
// cost.
#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "FileType.h"
#include "MediaInfoEntryPoints.h"
#include "libMetaScopeSDK.h"
#include "platform/DynamicLibrary.h"
#include "platform/PlatformNames.h"

namespace {

// The entry points of the MediaInfo library, resolved here.
struct MediaInfo {
#define CALLGRIND_ENTRY(name, result, params) result(MEDIAINFO_CALL* name) params = nullptr;
  METASCOPE_MEDIAINFO_ENTRY_POINTS(CALLGRIND_ENTRY)
#undef CALLGRIND_ENTRY
  platform::ModuleHandle module = nullptr;

  MediaInfo() {
    module = platform::LoadModule(platform::kMediaInfoLibraryName);
    if (module == nullptr) return;
#define CALLGRIND_RESOLVE(name, result, params) \
  name = reinterpret_cast<result(MEDIAINFO_CALL*) params>(platform::FindModuleEntry(module, #name));
    METASCOPE_MEDIAINFO_ENTRY_POINTS(CALLGRIND_RESOLVE)
#undef CALLGRIND_RESOLVE
  }
};

// The (stream kind, parameter) pairs the ten queries ask of MediaInfo for a
// file of this kind (1 video, 2 audio, 5 image): an audio file's picture and
// video queries answer 0 without asking, and its duration is the audio
// stream's.
std::vector<std::pair<int, const char*>> QueriesFor(std::int32_t fileType) {
  if (fileType == metascope::kFileTypeAudio) {
    return {{2, "Duration"}, {2, "Channel(s)"}, {2, "SamplingRate"}, {2, "BitRate"}};
  }
  const int picture = fileType == metascope::kFileTypeImage ? 5 : 1;
  return {{picture, "Width"}, {picture, "Height"}, {1, "Duration"}, {1, "BitRate"},
          {1, "FrameRate"}, {1, "PixelAspectRatio"}, {1, "Rotation"}, {2, "Channel(s)"},
          {2, "SamplingRate"}, {2, "BitRate"}};
}

// Keeps a result from being optimised away.
volatile std::int64_t sink = 0;

bool ProbeThroughExports(const char* path) {
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path);
  if (context == nullptr) return false;
  sink = sink + MediaInfoGetWidth(context) + MediaInfoGetHeight(context) + MediaInfoGetVideoDuration(context) +
         MediaInfoGetVideoBitrate(context) + static_cast<std::int64_t>(MediaInfoGetVideoFramerate(context)) +
         static_cast<std::int64_t>(MediaInfoGetVideoAspect(context)) + MediaInfoGetVideoRotate(context) +
         MediaInfoGetAudioChannels(context) + MediaInfoGetAudioSamples(context) +
         MediaInfoGetAudioBitrate(context);
  return MediaInfoCloseFile(context) == 1;
}

bool ProbeDirectly(const MediaInfo& mi, const char* path, const std::vector<std::pair<int, const char*>>& queries) {
  void* handle = mi.MediaInfoA_New();
  if (handle == nullptr) return false;
  // As the library does before every open: the one picture named, not a
  // sequence of numbered siblings.
  mi.MediaInfoA_Option(handle, "File_TestContinuousFileNames", "0");
  const bool opened = mi.MediaInfoA_Open(handle, path) != 0;
  if (opened) {
    for (const auto& [kind, parameter] : queries) {
      const char* text = mi.MediaInfoA_Get(handle, kind, 0, parameter, 1, 0);
      sink = sink + static_cast<std::int64_t>(text != nullptr ? std::strlen(text) : 0);
    }
    mi.MediaInfoA_Close(handle);
  }
  mi.MediaInfoA_Delete(handle);
  return opened;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "probe") != 0 && std::strcmp(argv[1], "direct") != 0)) {
    std::fprintf(stderr, "usage: callgrind_probe probe|direct FILE [REPEAT]\n");
    return 2;
  }
  const bool direct = std::strcmp(argv[1], "direct") == 0;
  const char* path = argv[2];
  const int repeat = argc > 3 ? std::atoi(argv[3]) : 1;
  ::unsetenv("METASCOPE_TRACE");

  const MediaInfo mi;
  if (mi.module == nullptr || mi.MediaInfoA_New == nullptr) {
    std::fprintf(stderr, "callgrind_probe: %s could not be loaded\n", platform::kMediaInfoLibraryName);
    return 1;
  }
  const std::int32_t fileType = metascope::ClassifyPath(path);
  if (fileType < 0) {
    std::fprintf(stderr, "callgrind_probe: %s: unsupported extension\n", path);
    return 1;
  }
  const auto queries = QueriesFor(fileType);
  const auto once = [&] { return direct ? ProbeDirectly(mi, path, queries) : ProbeThroughExports(path); };

  if (!once()) {
    std::fprintf(stderr, "callgrind_probe: %s could not be probed\n", path);
    return 1;
  }
  bool ok = true;
  CALLGRIND_START_INSTRUMENTATION;
  for (int i = 0; i < repeat; ++i) ok = once() && ok;
  CALLGRIND_STOP_INSTRUMENTATION;
  return ok ? 0 : 1;
}
