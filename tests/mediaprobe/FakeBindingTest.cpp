// The probe against the fake MediaInfo library: the exact calls that open,
// the queries and close make, the failures of open, the null-handle results
// and the record's contents.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Allocation.h"
#include "MediaInfoBinding.h"
#include "MediaInfoContext.h"
#include "ProbeTestSupport.h"
#include "libMetaScopeSDK.h"

namespace {

using probetest::DebugLine;
using probetest::ErrorLine;
using probetest::FakeMediaInfoFiles;
using probetest::DiagnosticCapture;
using Strings = std::vector<std::string>;

// Set on every instance right before its open: MediaInfo reads the one file
// named, never a run of numbered siblings as one sequence.
const std::string kOneFileOnly = "Option File_TestContinuousFileNames=0";

class FakeBindingTest : public testing::Test {
 protected:
  void SetUp() override {
    metascope::SetMediaInfoLibraryNameForTesting(FAKE_MEDIAINFO_PATH);
    probetest::SetEnv("METASCOPE_TRACE", "all");
  }
  void TearDown() override {
    metascope::SetAllocationFailureHookForTesting(nullptr);
    probetest::UnsetEnv("METASCOPE_TRACE");
  }

  // The log without the fake's own "load"/"unload" lines.
  Strings Calls() const {
    Strings calls;
    for (const std::string& line : fake_.Log()) {
      if (line != "load" && line != "unload") calls.push_back(line);
    }
    return calls;
  }

  FakeMediaInfoFiles fake_;
};

TEST_F(FakeBindingTest, OpenQueriesAndCloseMakeExactlyTheseCalls) {
  fake_.Script(
      "get 1 Width=1920\n"
      "get 1 Height=1080\n"
      "get 1 Duration=3600000.000000\n"
      "get 1 BitRate=5005.672\n"
      "get 1 FrameRate=29.970\n"
      "get 1 PixelAspectRatio=1.185\n"
      "get 1 Rotation=-90\n"
      "get 2 Channel(s)=2 / 1\n"
      "get 2 SamplingRate=48000\n"
      "get 2 BitRate=128000\n"
      "inform=General 100% done\n");

  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("/media/Holiday.MP4");
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(Calls(), (Strings{"New", kOneFileOnly, "Open /media/Holiday.MP4"}));
  fake_.ClearLog();

  EXPECT_EQ(MediaInfoGetWidth(context), 1920);
  EXPECT_EQ(MediaInfoGetHeight(context), 1080);
  EXPECT_EQ(MediaInfoGetVideoDuration(context), INT64_C(3600000));
  EXPECT_EQ(MediaInfoGetVideoBitrate(context), 5005);
  EXPECT_DOUBLE_EQ(MediaInfoGetVideoFramerate(context), 29.97);
  EXPECT_DOUBLE_EQ(MediaInfoGetVideoAspect(context), 1.185);
  EXPECT_EQ(MediaInfoGetVideoRotate(context), -90);
  EXPECT_EQ(MediaInfoGetAudioChannels(context), 2);
  EXPECT_EQ(MediaInfoGetAudioSamples(context), 48000);
  EXPECT_EQ(MediaInfoGetAudioBitrate(context), 128000);
  EXPECT_EQ(Calls(), (Strings{"Get 1 0 Width 1 0", "Get 1 0 Height 1 0", "Get 1 0 Duration 1 0",
                              "Get 1 0 BitRate 1 0", "Get 1 0 FrameRate 1 0", "Get 1 0 PixelAspectRatio 1 0",
                              "Get 1 0 Rotation 1 0", "Get 2 0 Channel(s) 1 0", "Get 2 0 SamplingRate 1 0",
                              "Get 2 0 BitRate 1 0"}));

  // Each query keeps its last result in the record.
  EXPECT_EQ(context->nWidth, 1920);
  EXPECT_EQ(context->nHeight, 1080);
  EXPECT_EQ(context->llDuration, 3600000);
  EXPECT_EQ(context->nVideoBitrate, 5005);
  EXPECT_DOUBLE_EQ(context->dFramerate, 29.97);
  EXPECT_DOUBLE_EQ(context->dAspect, 1.185);
  EXPECT_EQ(context->nRotate, -90);
  EXPECT_EQ(context->nAudioChannels, 2);
  EXPECT_EQ(context->nAudioSamples, 48000);
  EXPECT_EQ(context->nAudioBitrate, 128000);

  // Asking again asks the library again.
  fake_.ClearLog();
  fake_.Script("get 1 Width=640\n");
  EXPECT_EQ(MediaInfoGetWidth(context), 640);
  EXPECT_EQ(MediaInfoGetWidth(context), 640);
  EXPECT_EQ(Calls(), (Strings{"Get 1 0 Width 1 0", "Get 1 0 Width 1 0"}));

  fake_.ClearLog();
  fake_.Script("inform=General 100% done\n");
  EXPECT_EQ(MediaInfoCloseFile(context), 1);
  EXPECT_EQ(Calls(), (Strings{"Option Complete=", "Inform 0", "Close", "Delete"}));
  EXPECT_EQ(capture.Take(), DebugLine("General 100% done"));
}

// METASCOPE_TRACE chooses the lines on Linux; without a debug line the close
// does not have the report made. Windows writes every line.
TEST_F(FakeBindingTest, TheTraceLevelChoosesTheLinesAndWhetherTheReportIsMade) {
  const struct {
    const char* level;  // null: unset
    bool errors;
    bool debug;
  } cases[] = {
      {nullptr, true, false}, {"errors", true, false}, {"all", true, true},
      {"none", false, false}, {"ALL", true, false},    {"", true, false},
  };
  for (const auto& c : cases) {
    const std::string name = c.level != nullptr ? std::string("\"") + c.level + "\"" : "unset";
    if (c.level != nullptr) {
      probetest::SetEnv("METASCOPE_TRACE", c.level);
    } else {
      probetest::UnsetEnv("METASCOPE_TRACE");
    }
#if defined(_WIN32)
    const bool errors = true, debug = true;
#else
    const bool errors = c.errors, debug = c.debug;
#endif
    fake_.ClearLog();
    DiagnosticCapture capture;
    EXPECT_EQ(MediaInfoOpenFile("clip.webm"), nullptr);
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("clip.mp4");
    ASSERT_NE(context, nullptr) << name;
    EXPECT_EQ(MediaInfoCloseFile(context), 1);
    EXPECT_EQ(capture.Take(), (errors ? ErrorLine("Unable to parse the file format!", 115) : "") +
                                  (debug ? DebugLine("fake report") : ""))
        << name;
    Strings calls = {"New", "Delete", "New", kOneFileOnly, "Open clip.mp4"};
    if (debug) calls.insert(calls.end(), {"Option Complete=", "Inform 0"});
    calls.insert(calls.end(), {"Close", "Delete"});
    EXPECT_EQ(Calls(), calls) << name;
  }
}

TEST_F(FakeBindingTest, AFreshRecordHoldsThePathAndZeroes) {
  const struct {
    const char* path;
    std::int32_t fileType;
  } cases[] = {{"/pics/a.JPG", MEDIAINFO_TYPE_IMAGE}, {"/music/b.wav", MEDIAINFO_TYPE_AUDIO},
               {"/films/c.mkv", MEDIAINFO_TYPE_VIDEO}};
  for (const auto& c : cases) {
    DiagnosticCapture capture;
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(c.path);
    ASSERT_NE(context, nullptr) << c.path;
    EXPECT_NE(context->pMediaInfo, nullptr);
    EXPECT_NE(context->pMediaInfo->handle, nullptr);
    EXPECT_EQ(context->nFileType, c.fileType) << c.path;
    EXPECT_STREQ(context->szFilePath, c.path);
    EXPECT_EQ(context->llDuration, 0);
    EXPECT_EQ(context->nWidth, 0);
    EXPECT_EQ(context->nHeight, 0);
    EXPECT_EQ(context->nVideoBitrate, 0);
    EXPECT_EQ(context->dFramerate, 0.0);
    EXPECT_EQ(context->dAspect, 0.0);
    EXPECT_EQ(context->nRotate, 0);
    EXPECT_EQ(context->nAudioChannels, 0);
    EXPECT_EQ(context->nAudioSamples, 0);
    EXPECT_EQ(context->nAudioBitrate, 0);
    EXPECT_EQ(MediaInfoCloseFile(context), 1);
  }
}

// Which stream each query asks, by the kind the extension gave. An empty
// entry means the query answers 0 at once without asking.
TEST_F(FakeBindingTest, QueriesFollowTheFileTypeNotTheContent) {
  fake_.Script(
      "get 1 Width=11\nget 5 Width=55\nget 1 Height=12\nget 5 Height=56\n"
      "get 1 Duration=1000\nget 2 Duration=2000\nget 1 BitRate=300\nget 1 FrameRate=25\n"
      "get 1 PixelAspectRatio=2\nget 1 Rotation=90\nget 2 Channel(s)=6\n"
      "get 2 SamplingRate=44100\nget 2 BitRate=96000\n");

  struct Expectation {
    const char* path;
    Strings gets;
    std::vector<double> results;  // width, height, duration, video bit rate, fps, aspect, rotation,
                                  // channels, sample rate, audio bit rate
  };
  const Expectation cases[] = {
      {"video.m4a",  // audio by name: the video queries answer 0 without asking
       {"Get 2 0 Duration 1 0", "Get 2 0 Channel(s) 1 0", "Get 2 0 SamplingRate 1 0", "Get 2 0 BitRate 1 0"},
       {0, 0, 2000, 0, 0, 0, 0, 6, 44100, 96000}},
      {"still.png",
       {"Get 5 0 Width 1 0", "Get 5 0 Height 1 0", "Get 1 0 Duration 1 0", "Get 1 0 BitRate 1 0",
        "Get 1 0 FrameRate 1 0", "Get 1 0 PixelAspectRatio 1 0", "Get 1 0 Rotation 1 0",
        "Get 2 0 Channel(s) 1 0", "Get 2 0 SamplingRate 1 0", "Get 2 0 BitRate 1 0"},
       {55, 56, 1000, 300, 25, 2, 90, 6, 44100, 96000}},
      {"song.mp4",  // video by name, whatever it holds
       {"Get 1 0 Width 1 0", "Get 1 0 Height 1 0", "Get 1 0 Duration 1 0", "Get 1 0 BitRate 1 0",
        "Get 1 0 FrameRate 1 0", "Get 1 0 PixelAspectRatio 1 0", "Get 1 0 Rotation 1 0",
        "Get 2 0 Channel(s) 1 0", "Get 2 0 SamplingRate 1 0", "Get 2 0 BitRate 1 0"},
       {11, 12, 1000, 300, 25, 2, 90, 6, 44100, 96000}},
  };

  for (const Expectation& c : cases) {
    DiagnosticCapture capture;
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(c.path);
    ASSERT_NE(context, nullptr) << c.path;
    // Marks in the cached fields show which queries left them alone.
    context->nWidth = context->nHeight = context->nVideoBitrate = context->nRotate = -7;
    context->dFramerate = context->dAspect = -7.0;
    fake_.ClearLog();

    const std::vector<double> results = {
        double(MediaInfoGetWidth(context)),        double(MediaInfoGetHeight(context)),
        double(MediaInfoGetVideoDuration(context)), double(MediaInfoGetVideoBitrate(context)),
        MediaInfoGetVideoFramerate(context),       MediaInfoGetVideoAspect(context),
        double(MediaInfoGetVideoRotate(context)),  double(MediaInfoGetAudioChannels(context)),
        double(MediaInfoGetAudioSamples(context)), double(MediaInfoGetAudioBitrate(context))};
    EXPECT_EQ(results, c.results) << c.path;
    EXPECT_EQ(Calls(), c.gets) << c.path;

    if (context->nFileType == MEDIAINFO_TYPE_AUDIO) {
      EXPECT_EQ(context->nWidth, -7);
      EXPECT_EQ(context->nHeight, -7);
      EXPECT_EQ(context->nVideoBitrate, -7);
      EXPECT_EQ(context->nRotate, -7);
      EXPECT_EQ(context->dFramerate, -7.0);
      EXPECT_EQ(context->dAspect, -7.0);
    }
    MediaInfoCloseFile(context);
  }
}

TEST_F(FakeBindingTest, AMissingValueReadsAsZeroWithoutAnyLine) {
  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("empty.avi");
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(MediaInfoGetWidth(context), 0);
  EXPECT_EQ(MediaInfoGetVideoDuration(context), 0);
  EXPECT_EQ(MediaInfoGetVideoFramerate(context), 0.0);
  EXPECT_EQ(MediaInfoGetAudioChannels(context), 0);
  EXPECT_EQ(capture.Take(), "");
  DiagnosticCapture closing;
  MediaInfoCloseFile(context);
}

TEST_F(FakeBindingTest, AFailedOpenWritesOneLineAndReleasesEverything) {
  struct Case {
    const char* path;
    const char* script;
    std::string line;
    Strings calls;
  };
  const Case cases[] = {
      {nullptr, "", ErrorLine("szPath is null !", 83), {"New", "Delete"}},
      {"", "", ErrorLine("szPath is null !", 83), {"New", "Delete"}},
      {"clip.webm", "", ErrorLine("Unable to parse the file format!", 115), {"New", "Delete"}},
      {"D:\\video.old\\holiday", "", ErrorLine("Unable to parse the file format!", 115), {"New", "Delete"}},
      {"movie.mpeg", "", ErrorLine("Unable to parse the file format!", 115), {"New", "Delete"}},
      {"gone.mp4", "open=0\n", ErrorLine("Open file fail!", 122), {"New", kOneFileOnly, "Open gone.mp4", "Delete"}},
      // No instance: the open is never attempted and there is nothing to delete.
      {"clip.mp4", "new=null\n", ErrorLine("Open file fail!", 122), {"New"}},
  };
  for (const Case& c : cases) {
    fake_.Script(c.script);
    fake_.ClearLog();
    DiagnosticCapture capture;
    EXPECT_EQ(MediaInfoOpenFile(c.path), nullptr) << (c.path ? c.path : "(null)");
    EXPECT_EQ(capture.Take(), c.line) << (c.path ? c.path : "(null)");
    EXPECT_EQ(Calls(), c.calls) << (c.path ? c.path : "(null)");
  }
}

TEST_F(FakeBindingTest, AllocationFailuresAreReportedBeforeAnythingElse) {
  struct Case {
    metascope::AllocationFailureHook hook;
    std::string line;
  };
  const Case cases[] = {
      {[](metascope::AllocationSite site) { return site == metascope::AllocationSite::Context; },
       ErrorLine("MEDIAINFO_CONTEXT alloc fail !", 69)},
      {[](metascope::AllocationSite site) { return site == metascope::AllocationSite::Instance; },
       ErrorLine("MediaInfo alloc fail !", 76)},
  };
  for (const Case& c : cases) {
    metascope::SetAllocationFailureHookForTesting(c.hook);
    for (const char* path : {"clip.mp4", "", "clip.webm"}) {
      fake_.ClearLog();
      DiagnosticCapture capture;
      EXPECT_EQ(MediaInfoOpenFile(path), nullptr);
      EXPECT_EQ(capture.Take(), c.line) << '"' << path << '"';
      EXPECT_EQ(Calls(), Strings{}) << "no instance may be made";
    }
  }
  metascope::SetAllocationFailureHookForTesting(nullptr);
  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("clip.mp4");
  EXPECT_NE(context, nullptr);
  MediaInfoCloseFile(context);
}

TEST_F(FakeBindingTest, ANullHandleGivesTheFixedResultAndOneLine) {
  struct Case {
    const char* name;
    double (*call)();
    double result;
    int line;
  };
  const Case cases[] = {
      {"CloseFile", [] { return double(MediaInfoCloseFile(nullptr)); }, -301, 300},
      {"Width", [] { return double(MediaInfoGetWidth(nullptr)); }, -137, 136},
      {"Height", [] { return double(MediaInfoGetHeight(nullptr)); }, -157, 156},
      {"Duration", [] { return double(MediaInfoGetVideoDuration(nullptr)); }, -178, 177},
      {"VideoBitrate", [] { return double(MediaInfoGetVideoBitrate(nullptr)); }, -194, 193},
      {"Framerate", [] { return MediaInfoGetVideoFramerate(nullptr); }, -209.0, 208},
      {"Aspect", [] { return MediaInfoGetVideoAspect(nullptr); }, -224.0, 223},
      {"Rotate", [] { return double(MediaInfoGetVideoRotate(nullptr)); }, -240, 239},
      {"AudioChannels", [] { return double(MediaInfoGetAudioChannels(nullptr)); }, -258, 257},
      {"AudioSamples", [] { return double(MediaInfoGetAudioSamples(nullptr)); }, -272, 271},
      {"AudioBitrate", [] { return double(MediaInfoGetAudioBitrate(nullptr)); }, -286, 285},
  };
  for (const Case& c : cases) {
    DiagnosticCapture capture;
    EXPECT_EQ(c.call(), c.result) << c.name;
    EXPECT_EQ(capture.Take(), ErrorLine("invaild params !", c.line)) << c.name;
  }
  // The header's named results are the same numbers.
  EXPECT_EQ(METASCOPE_ERR_CLOSE_FILE, -301);
  EXPECT_EQ(METASCOPE_ERR_VIDEO_FRAMERATE, -209.0);
  EXPECT_EQ(METASCOPE_ERR_AUDIO_BITRATE, -286);
  EXPECT_EQ(Calls(), Strings{});
}

TEST_F(FakeBindingTest, ALongPathIsStoredCutButOpenedWhole) {
  for (const std::size_t length : {std::size_t{2047}, std::size_t{2048}, std::size_t{5000}}) {
    // Built in place: GCC 12 at -O3 warns (-Wrestrict, a false positive) on
    // "/" + std::string(...).
    std::string path(length - 4, 'd');
    path[0] = '/';
    path += ".mp4";
    ASSERT_EQ(path.size(), length);
    fake_.ClearLog();
    DiagnosticCapture capture;
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path.c_str());
    ASSERT_NE(context, nullptr) << length;
    EXPECT_EQ(Calls(), (Strings{"New", kOneFileOnly, "Open " + path})) << "MediaInfo gets the whole path";
    EXPECT_EQ(std::string(context->szFilePath), path.substr(0, 2047)) << length;
    MediaInfoCloseFile(context);
  }
}

TEST_F(FakeBindingTest, OpenFilesShareOneLoadThatOutlivesThem) {
  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* first = MediaInfoOpenFile("one.mp4");
  ASSERT_NE(first, nullptr);
  const unsigned loads = metascope::MediaInfoLibraryLoadCount();
  EXPECT_GE(loads, 1u);
  MEDIAINFO_CONTEXT* second = MediaInfoOpenFile("two.mp3");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(metascope::MediaInfoLibraryLoadCount(), loads) << "a loaded library is not loaded again";
  EXPECT_NE(first->pMediaInfo->handle, second->pMediaInfo->handle);
  EXPECT_EQ(MediaInfoCloseFile(first), 1);
  EXPECT_EQ(MediaInfoCloseFile(second), 1);
  EXPECT_TRUE(metascope::IsMediaInfoLibraryLoaded());
  for (const std::string& line : fake_.Log()) EXPECT_NE(line, "unload");
}

TEST_F(FakeBindingTest, AReportLongerThanTheLineBufferIsCutAtClose) {
  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("big.mov");
  ASSERT_NE(context, nullptr);
  fake_.Script("inform=" + std::string(300000, 'r') + "\n");
  EXPECT_EQ(MediaInfoCloseFile(context), 1);
  const std::string written = capture.Take();
  EXPECT_EQ(written.size(), 102399u);
  EXPECT_EQ(written.substr(0, 20), "debug =  MediaInfo: ");
  EXPECT_EQ(written.back(), '\n');
}

// MediaInfo runs on 32 KiB stacks; a host may call the library from such
// threads too. Every export, a failed open and the close of a file whose report
// is longer than the longest line, on a 64 KiB stack.
struct SmallStackRun {
  bool failedOpenIsNull = false;
  std::vector<double> nullResults;
  std::vector<double> answers;
  std::int32_t closed = 0;
};

void CallEveryExport(void* argument) {
  auto& run = *static_cast<SmallStackRun*>(argument);
  run.failedOpenIsNull = MediaInfoOpenFile("clip.webm") == nullptr;
  run.nullResults = {double(MediaInfoCloseFile(nullptr)),        double(MediaInfoGetWidth(nullptr)),
                     double(MediaInfoGetHeight(nullptr)),        double(MediaInfoGetVideoDuration(nullptr)),
                     double(MediaInfoGetVideoBitrate(nullptr)),  MediaInfoGetVideoFramerate(nullptr),
                     MediaInfoGetVideoAspect(nullptr),           double(MediaInfoGetVideoRotate(nullptr)),
                     double(MediaInfoGetAudioChannels(nullptr)), double(MediaInfoGetAudioSamples(nullptr)),
                     double(MediaInfoGetAudioBitrate(nullptr))};
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("big.mov");
  if (context == nullptr) return;
  run.answers = {double(MediaInfoGetWidth(context)),        double(MediaInfoGetHeight(context)),
                 double(MediaInfoGetVideoDuration(context)), double(MediaInfoGetVideoBitrate(context)),
                 MediaInfoGetVideoFramerate(context),       MediaInfoGetVideoAspect(context),
                 double(MediaInfoGetVideoRotate(context)),  double(MediaInfoGetAudioChannels(context)),
                 double(MediaInfoGetAudioSamples(context)), double(MediaInfoGetAudioBitrate(context))};
  run.closed = MediaInfoCloseFile(context);
}

TEST_F(FakeBindingTest, EveryExportWorksOnASmallThreadStack) {
  fake_.Script(
      "get 1 Width=1920\nget 1 Height=1080\nget 1 Duration=5000\nget 1 BitRate=800\n"
      "get 1 FrameRate=25\nget 1 PixelAspectRatio=1\nget 1 Rotation=90\nget 2 Channel(s)=2\n"
      "get 2 SamplingRate=48000\nget 2 BitRate=128000\ninform=" +
      std::string(150000, 'r') + "\n");
  SmallStackRun run;
  DiagnosticCapture capture;
  ASSERT_TRUE(probetest::RunOnStackOfSize(64 * 1024, CallEveryExport, &run));
  const std::string written = capture.Take();

  EXPECT_TRUE(run.failedOpenIsNull);
  EXPECT_EQ(run.nullResults, (std::vector<double>{-301, -137, -157, -178, -194, -209, -224, -240, -258, -272, -286}));
  EXPECT_EQ(run.answers, (std::vector<double>{1920, 1080, 5000, 800, 25, 1, 90, 2, 48000, 128000}));
  EXPECT_EQ(run.closed, 1);
  // The failed open, the eleven null handles, and the report cut to the
  // longest line.
  const std::vector<std::string> lines = probetest::Lines(written);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0] + "\n", ErrorLine("Unable to parse the file format!", 115));
  EXPECT_EQ(lines[1] + "\n", ErrorLine("invaild params !", 300));
  EXPECT_EQ(lines[12].size() + 1, 102399u);
  EXPECT_EQ(lines[12].substr(0, 20), "debug =  MediaInfo: ");
}

}  // namespace
