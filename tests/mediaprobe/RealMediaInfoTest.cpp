// libMetaScope.so, as callers get it, against the real MediaInfo library and
// small media files.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <filesystem>
#include <string>

#include "ProbeTestSupport.h"
#include "libMetaScopeSDK.h"

namespace {

using probetest::ErrorLine;
using probetest::DiagnosticCapture;
using probetest::TempDir;
namespace fs = std::filesystem;

const fs::path kMedia = MEDIA_FIXTURES_DIR;

struct Answers {
  std::int32_t width, height;
  std::int64_t duration;
  std::int32_t videoBitrate;
  double frameRate, aspect;
  std::int32_t rotation, channels, sampleRate, audioBitrate;
};

// Opens, asks everything, closes; the diagnostic output goes to `written`.
bool Probe(const fs::path& path, Answers& a, std::string* written = nullptr) {
  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path.c_str());
  if (context == nullptr) {
    if (written) *written = capture.Take();
    return false;
  }
  a.width = MediaInfoGetWidth(context);
  a.height = MediaInfoGetHeight(context);
  a.duration = MediaInfoGetVideoDuration(context);
  a.videoBitrate = MediaInfoGetVideoBitrate(context);
  a.frameRate = MediaInfoGetVideoFramerate(context);
  a.aspect = MediaInfoGetVideoAspect(context);
  a.rotation = MediaInfoGetVideoRotate(context);
  a.channels = MediaInfoGetAudioChannels(context);
  a.sampleRate = MediaInfoGetAudioSamples(context);
  a.audioBitrate = MediaInfoGetAudioBitrate(context);
  const std::int32_t closed = MediaInfoCloseFile(context);
  if (written) *written = capture.Take();
  return closed == 1;
}

class RealMediaInfoTest : public testing::Test {
 protected:
  // File names are UTF-8; MediaInfo converts them with the host's locale.
  static void SetUpTestSuite() { std::setlocale(LC_ALL, "C.UTF-8"); }
};

TEST_F(RealMediaInfoTest, AnswersForEachKindOfFile) {
  // Durations and bit rates depend on the encoders' framing; they are
  // checked within a range, the rest exactly.
  struct Case {
    const char* file;
    std::int32_t width, height;
    std::int64_t minDuration, maxDuration;
    bool hasVideoBitrate;
    double frameRate, aspect;
    std::int32_t rotation, channels, sampleRate;
    bool hasAudioBitrate;
  };
  const Case cases[] = {
      {"image.png", 24, 16, 0, 0, false, 0.0, 0.0, 0, 0, 0, false},
      {"image.jpg", 24, 16, 0, 0, false, 0.0, 0.0, 0, 0, 0, false},
      {"tone.mp3", 0, 0, 450, 600, false, 0.0, 0.0, 0, 2, 44100, true},
      {"tone.wav", 0, 0, 250, 250, false, 0.0, 0.0, 0, 1, 8000, true},
      {"clip.mp4", 32, 24, 950, 1050, true, 25.0, 1.0, 0, 2, 44100, true},
      {"noaudio.mkv", 32, 24, 450, 550, false, 29.97, 0.889, 0, 0, 0, false},
      {"rotated.mp4", 32, 24, 350, 450, true, 25.0, 1.0, 90, 0, 0, false},
      // Audio in an MP4 container is typed as video: no picture, and the
      // duration is asked of the (absent) video stream.
      {"audio-only.mp4", 0, 0, 0, 0, false, 0.0, 0.0, 0, 1, 22050, true},
  };
  for (const Case& c : cases) {
    Answers a{};
    ASSERT_TRUE(Probe(kMedia / c.file, a)) << c.file;
    EXPECT_EQ(a.width, c.width) << c.file;
    EXPECT_EQ(a.height, c.height) << c.file;
    EXPECT_GE(a.duration, c.minDuration) << c.file;
    EXPECT_LE(a.duration, c.maxDuration) << c.file;
    EXPECT_EQ(a.videoBitrate > 0, c.hasVideoBitrate) << c.file;
    EXPECT_DOUBLE_EQ(a.frameRate, c.frameRate) << c.file;
    EXPECT_DOUBLE_EQ(a.aspect, c.aspect) << c.file;
    EXPECT_EQ(a.rotation, c.rotation) << c.file;
    EXPECT_EQ(a.channels, c.channels) << c.file;
    EXPECT_EQ(a.sampleRate, c.sampleRate) << c.file;
    EXPECT_EQ(a.audioBitrate > 0, c.hasAudioBitrate) << c.file;
  }
}

TEST_F(RealMediaInfoTest, TheNameDecidesTheKind) {
  // A video file named .m4a is typed as audio: no picture size, and the
  // duration comes from its audio stream.
  TempDir dir;
  const fs::path renamed = dir.path() / "clip.M4A";
  fs::copy_file(kMedia / "clip.mp4", renamed);
  Answers a{};
  ASSERT_TRUE(Probe(renamed, a));
  EXPECT_EQ(a.width, 0);
  EXPECT_EQ(a.height, 0);
  EXPECT_EQ(a.frameRate, 0.0);
  EXPECT_GE(a.duration, 950);
  EXPECT_EQ(a.channels, 2);
}

TEST_F(RealMediaInfoTest, ANonAsciiFileNameOpensLikeAnyOther) {
  TempDir dir;
  const fs::path named = dir.path() / "vid\xC3\xA9o \xE6\x97\xA5\xE6\x9C\xAC.mp4";
  fs::copy_file(kMedia / "clip.mp4", named);
  Answers a{};
  ASSERT_TRUE(Probe(named, a));
  EXPECT_EQ(a.width, 32);
  EXPECT_EQ(a.channels, 2);
}

TEST_F(RealMediaInfoTest, APathLongerThanTheStoredCopyStillOpens) {
  TempDir dir;
  fs::path folder = dir.path();
  while (folder.native().size() < 2100) folder /= std::string(200, 'p');
  fs::create_directories(folder);
  const fs::path file = folder / "clip.mp4";
  fs::copy_file(kMedia / "clip.mp4", file);
  ASSERT_GT(file.native().size(), 2100u);
  Answers a{};
  ASSERT_TRUE(Probe(file, a));
  EXPECT_EQ(a.width, 32);
}

TEST_F(RealMediaInfoTest, FilesThatCannotBeOpened) {
  TempDir dir;
  fs::copy_file(kMedia / "clip.mp4", dir.path() / "clip.webm");
  fs::create_directory(dir.path() / "folder.mp4");
  const struct {
    fs::path path;
    std::string line;
  } cases[] = {
      {dir.path() / "clip.webm", ErrorLine("Unable to parse the file format!", 115)},
      {dir.path() / "missing.mp4", ErrorLine("Open file fail!", 122)},
      {dir.path() / "folder.mp4", ErrorLine("Open file fail!", 122)},
  };
  for (const auto& c : cases) {
    Answers a{};
    std::string written;
    EXPECT_FALSE(Probe(c.path, a, &written)) << c.path;
    EXPECT_EQ(written, c.line) << c.path;
  }
}

TEST_F(RealMediaInfoTest, CloseWritesTheReportAsOneDebugLineWhenTracingAll) {
  Answers a{};
  std::string written;
  probetest::UnsetEnv("METASCOPE_TRACE");
  ASSERT_TRUE(Probe(kMedia / "clip.mp4", a, &written));
  EXPECT_EQ(written, "") << "by default only errors are written";

  probetest::SetEnv("METASCOPE_TRACE", "all");
  const bool probed = Probe(kMedia / "clip.mp4", a, &written);
  probetest::UnsetEnv("METASCOPE_TRACE");
  ASSERT_TRUE(probed);
  EXPECT_EQ(written.rfind("debug =  MediaInfo: General", 0), 0u) << written;
  EXPECT_NE(written.find("clip.mp4"), std::string::npos);
  EXPECT_NE(written.find("\nVideo"), std::string::npos);
  const std::string tail = "  from file <.\\libMetaScopeSDK>, line 308.\n";
  ASSERT_GT(written.size(), tail.size());
  EXPECT_EQ(written.substr(written.size() - tail.size()), tail);
  EXPECT_EQ(written.find("debug =", 1), std::string::npos) << "exactly one line";
}

}  // namespace
