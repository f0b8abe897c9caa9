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

// The text of a line as it is written: its pieces one after the other.
std::string Joined(const metascope::TraceLine& line) {
  std::string text;
  for (std::size_t i = 0; i < line.count(); ++i) text.append(line.pieces()[i].data, line.pieces()[i].size);
  EXPECT_EQ(text.size(), line.size());
  return text;
}

TEST(TraceLines, FollowTheTwoTemplatesExactly) {
  EXPECT_EQ(Joined(metascope::TraceLine::Error("Unable to parse the file format!", 115)),
            "error = MediaInfo: Unable to parse the file format!  from file <.\\libMetaScopeSDK>, line 115.\n");
  EXPECT_EQ(Joined(metascope::TraceLine::Error(nullptr, -2147483647 - 1)),
            "error = MediaInfo:   from file <.\\libMetaScopeSDK>, line -2147483648.\n");
  EXPECT_EQ(Joined(metascope::TraceLine::Debug("General\nFormat : MPEG-4\n")),
            "debug =  MediaInfo: General\nFormat : MPEG-4\n  from file <.\\libMetaScopeSDK>, line 308.\n");
  // A "%" in a report is text, not a format directive.
  EXPECT_EQ(Joined(metascope::TraceLine::Debug("Stream size : 100% %s %n")),
            "debug =  MediaInfo: Stream size : 100% %s %n  from file <.\\libMetaScopeSDK>, line 308.\n");
}

TEST(TraceLines, ALineLongerThanTheLongestIsCutAndEndsWithALineFeed) {
  const std::string frame = Joined(metascope::TraceLine::Debug(""));
  const std::size_t fitting = metascope::kLongestTraceLine - frame.size();
  const struct {
    std::size_t textSize;
    std::size_t lineSize;
    const char* end;  // the line's last bytes
  } cases[] = {
      {fitting, metascope::kLongestTraceLine, "line 308.\n"},     // the longest kept whole
      {fitting + 1, metascope::kLongestTraceLine, "line 308\n"},  // one more: its last byte goes
      {fitting + 12, metascope::kLongestTraceLine, "libMetaScopeSDK\n"},  // cut inside the frame
      {200000, metascope::kLongestTraceLine, "xxxxxxxxx\n"},
  };
  for (const auto& c : cases) {
    const std::string text(c.textSize, 'x');
    const std::string line = Joined(metascope::TraceLine::Debug(text.c_str()));
    EXPECT_EQ(line.size(), c.lineSize) << c.textSize;
    EXPECT_EQ(line.substr(0, 20), "debug =  MediaInfo: ") << c.textSize;
    const std::string end = c.end;
    EXPECT_EQ(line.substr(line.size() - end.size()), end) << c.textSize;
  }
}

}  // namespace
