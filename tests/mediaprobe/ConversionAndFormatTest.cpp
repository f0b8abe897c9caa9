// Pure pieces of the probe: value-text conversion, extension classification
// and the diagnostic line formats.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "FileType.h"
#include "TextToNumber.h"
#include "Trace.h"

namespace {

using metascope::ClassifyPath;
using metascope::LeadingDouble;
using metascope::LeadingInt32;

TEST(LeadingInt32, ReadsTheLeadingIntegerAndSaturates) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"+", 0},
      {"1920", 1920},
      {"90.000", 90},
      {"5005.672", 5005},
      {"-90", -90},
      {"+42", 42},
      {" \t\n\v\f\r7", 7},
      {"3600000", 3600000},
      {"3600000.000000", 3600000},
      {"2 / 1", 2},
      {"12abc", 12},
      {"--5", 0},
      {"- 5", 0},
      {"0x1A", 0},
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"99999999999999999999999999", kMax},
      {"-99999999999999999999999999", kMin},
      {"000000000000000000000000012", 12},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingInt32(c.text), c.expected) << "text \"" << c.text << "\"";
  }
}

TEST(LeadingDouble, ReadsTheLeadingDecimalNumber) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"", 0.0},          {"abc", 0.0},      {".", 0.0},          {"-", 0.0},
      {"25.000", 25.0},   {"29.970", 29.97}, {"23.976", 23.976},  {"0.889", 0.889},
      {"1.000", 1.0},     {"1.185", 1.185},  {"1.067", 1.067},    {"-209.5", -209.5},
      {"+3.5", 3.5},      {"  12.5x", 12.5}, {"7", 7.0},          {"7.", 7.0},
      {".5", 0.5},        {"1e3", 1.0},      {"1,5", 1.0},        {"2 / 1", 2.0},
      {"inf", 0.0},       {"nan", 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(LeadingDouble(c.text), c.expected) << "text \"" << c.text << "\"";
  }
}

TEST(LeadingDouble, UnderflowReadsAsZeroAndOverflowSaturates) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::string zeros(400, '0');
  const std::string nines(400, '9');
  const struct {
    std::string text;
    double expected;
  } cases[] = {
      {"0." + zeros + "1", 0.0},
      {"-0." + zeros + "1", 0.0},
      {"0." + zeros + "1x", 0.0},
      {"." + zeros + "5", 0.0},
      {"0." + zeros, 0.0},
      {"0.0000000000001", 1e-13},
      {nines, kInf},
      {"-" + nines, -kInf},
      {nines + "." + zeros + "1", kInf},
      {"1" + std::string(308, '0'), 1e308},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingDouble(c.text), c.expected) << "text \"" << c.text.substr(0, 24) << "...\" ("
                                                 << c.text.size() << " chars)";
  }
}

TEST(LeadingDouble, IgnoresTheProcessLocale) {
  // A locale whose decimal separator is a comma must not change the reading.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR", "German_Germany.1252"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      switched = true;
      break;
    }
  }
  EXPECT_DOUBLE_EQ(LeadingDouble("29.970"), 29.97);
  EXPECT_DOUBLE_EQ(LeadingDouble("1,5"), 1.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!switched) GTEST_SKIP() << "no comma-decimal locale installed; checked in the C locale only";
}

TEST(ClassifyPath, AcceptsExactlyTheListedExtensions) {
  const struct {
    const char* path;
    std::int32_t expected;
  } cases[] = {
      {"a.png", 0},   {"a.jpg", 0},  {"a.bmp", 0},  {"a.jpeg", 0}, {"a.m4a", 1},  {"a.aac", 1},
      {"a.mp3", 1},   {"a.wma", 1},  {"a.wav", 1},  {"a.avi", 2},  {"a.asf", 2},  {"a.mp4", 2},
      {"a.xvid", 2},  {"a.mov", 2},  {"a.mpg1", 2}, {"a.mpg2", 2}, {"a.rmvb", 2}, {"a.amv", 2},
      {"a.divx", 2},  {"a.mtv", 2},  {"a.3gp", 2},  {"a.flv", 2},  {"a.swf", 2},  {"a.mkv", 2},
      {"a.mpg", 2},
      // Case of ASCII letters is ignored.
      {"D:\\clips\\Holiday.MP4", 2}, {"song.Mp3", 1}, {"PICTURE.JPEG", 0},
      // Only the text after the last dot counts.
      {"archive.mp4.png", 0}, {"clip.png.mp4", 2},
      // Refused: unknown extensions, no dot, a dot only in a directory name.
      {"movie.mpeg", -1}, {"clip.webm", -1}, {"picture.gif", -1}, {"noextension", -1},
      {"D:\\video.old\\holiday", -1}, {"/home/x.y/clip", -1}, {"clip.", -1}, {".mp4x", -1},
      {"clip.mp4 ", -1}, {"clip.MP\xC3\x84", -1}, {"", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifyPath(c.path), c.expected) << "path \"" << c.path << "\"";
  }
  EXPECT_EQ(ClassifyPath(nullptr), -1);
}

TEST(TraceLines, FollowTheTwoTemplatesExactly) {
  std::vector<char> buffer(metascope::kTraceBufferSize);
  std::size_t n = metascope::FormatErrorLine(buffer.data(), "Unable to parse the file format!", 115);
  EXPECT_EQ(std::string(buffer.data(), n),
            "error = MediaInfo: Unable to parse the file format!  from file <.\\libMetaScopeSDK>, line 115.\n");
  EXPECT_EQ(buffer[n], '\0');

  n = metascope::FormatDebugLine(buffer.data(), "General\nFormat : MPEG-4\n");
  EXPECT_EQ(std::string(buffer.data(), n),
            "debug =  MediaInfo: General\nFormat : MPEG-4\n  from file <.\\libMetaScopeSDK>, line 308.\n");
}

TEST(TraceLines, TextIsInsertedVerbatim) {
  // A "%" in a report must not be taken as a format directive.
  std::vector<char> buffer(metascope::kTraceBufferSize);
  const std::size_t n = metascope::FormatDebugLine(buffer.data(), "Stream size : 100% %s %n");
  EXPECT_EQ(std::string(buffer.data(), n),
            "debug =  MediaInfo: Stream size : 100% %s %n  from file <.\\libMetaScopeSDK>, line 308.\n");
}

TEST(TraceLines, ALineLongerThanTheBufferIsCutToFit) {
  // Guard bytes around the buffer show that nothing is written past it.
  constexpr std::size_t kGuard = 64;
  std::vector<char> storage(metascope::kTraceBufferSize + 2 * kGuard, '#');
  char* buffer = storage.data() + kGuard;

  const std::string longText(200000, 'x');
  const std::size_t n = metascope::FormatDebugLine(buffer, longText.c_str());
  ASSERT_EQ(n, metascope::kTraceBufferSize - 1);
  EXPECT_EQ(buffer[n], '\0');
  EXPECT_EQ(buffer[n - 1], '\n');
  EXPECT_EQ(std::string(buffer, 20), "debug =  MediaInfo: ");
  EXPECT_EQ(buffer[n - 2], 'x');
  for (std::size_t i = 0; i < kGuard; ++i) {
    EXPECT_EQ(storage[i], '#');
    EXPECT_EQ(storage[kGuard + metascope::kTraceBufferSize + i], '#');
  }

  // The longest line that fits is kept whole.
  const std::size_t frame = std::string("debug =  MediaInfo:   from file <.\\libMetaScopeSDK>, line 308.\n").size();
  const std::string fitting(metascope::kTraceBufferSize - 1 - frame, 'y');
  EXPECT_EQ(metascope::FormatDebugLine(buffer, fitting.c_str()), metascope::kTraceBufferSize - 1);
  EXPECT_EQ(std::string(buffer + metascope::kTraceBufferSize - 11, 10), "line 308.\n");
}

}  // namespace
