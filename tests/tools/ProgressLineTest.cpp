// The progress line against a recording terminal: when it shows, what it
// says, and that other text never lands inside it.
#include "ProgressLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using metascope::tool::ProgressLine;
using metascope::tool::ProgressText;
using Clock = ProgressLine::Clock;
using std::chrono::milliseconds;

TEST(ProgressText, FilesRateAndTimeLeft) {
  EXPECT_EQ(ProgressText(0, 600, 0.7), "metascope: 0 of 600 files");
  EXPECT_EQ(ProgressText(120, 600, 4.0), "metascope: 120 of 600 files, 30.0 files/s, 0:16 left");
  EXPECT_EQ(ProgressText(1, 3, 0.5), "metascope: 1 of 3 files, 2.0 files/s, 0:01 left");
  EXPECT_EQ(ProgressText(5000, 1000000, 10.0), "metascope: 5000 of 1000000 files, 500 files/s, 33:10 left");
  EXPECT_EQ(ProgressText(1, 100000, 1.0), "metascope: 1 of 100000 files, 1.0 files/s, 27:46:39 left");
  EXPECT_EQ(ProgressText(7, 7, 2.0), "metascope: 7 of 7 files, 3.5 files/s");
}

// What wipes a line of `width` columns.
std::string Wipe(std::size_t width) {
  std::string text(1, '\r');
  text.append(width, ' ');
  return text += '\r';
}

// A terminal of one line per text written: each entry is a sink call.
struct Recorder {
  std::vector<std::string> writes;
  ProgressLine::Sink Sink() {
    return [this](std::string_view text) { writes.emplace_back(text); };
  }
  // What a terminal shows after all writes: a carriage return goes back to
  // the start of the line, a line feed ends it; characters overwrite.
  std::vector<std::string> Screen() const {
    std::vector<std::string> lines(1);
    std::size_t column = 0;
    for (const std::string& w : writes) {
      for (const char c : w) {
        if (c == '\r') {
          column = 0;
        } else if (c == '\n') {
          lines.emplace_back();
          column = 0;
        } else {
          std::string& line = lines.back();
          if (line.size() <= column) line.resize(column + 1, ' ');
          line[column++] = c;
        }
      }
    }
    for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
    return lines;
  }
};

TEST(ProgressLine, ShowsOnlyAfterTheDelayAndAtMostEveryInterval) {
  Recorder terminal;
  const Clock::time_point t0{};
  ProgressLine line(10, terminal.Sink(), t0, milliseconds(500), 0);
  line.Update(0, t0 + milliseconds(100));
  line.Update(3, t0 + milliseconds(499));
  EXPECT_TRUE(terminal.writes.empty()) << "a short run shows nothing";
  line.Update(3, t0 + milliseconds(500));
  ASSERT_EQ(terminal.writes.size(), 1u);
  EXPECT_EQ(terminal.writes[0], "\rmetascope: 3 of 10 files, 6.0 files/s, 0:02 left");
  line.Update(4, t0 + milliseconds(550));
  EXPECT_EQ(terminal.writes.size(), 1u) << "drawn again within the interval";
  line.Update(4, t0 + milliseconds(600));
  ASSERT_EQ(terminal.writes.size(), 2u);
  line.Update(10, t0 + milliseconds(900));
  EXPECT_EQ(terminal.writes.size(), 2u) << "all files done: nothing more to show";
  line.Finish();
  EXPECT_EQ(terminal.writes.back(), Wipe(48));
  EXPECT_EQ(terminal.Screen(), std::vector<std::string>{""});
  line.Update(5, t0 + milliseconds(2000));
  EXPECT_EQ(terminal.Screen(), std::vector<std::string>{""}) << "drawn after Finish";
}

TEST(ProgressLine, NoDelayWhenForcedAndAShorterTextLeavesNoRest) {
  Recorder terminal;
  const Clock::time_point t0{};
  ProgressLine line(100, terminal.Sink(), t0, Clock::duration::zero(), 0);
  line.Update(0, t0);
  EXPECT_EQ(terminal.Screen(), std::vector<std::string>{"metascope: 0 of 100 files"});
  line.Update(50, t0 + milliseconds(1000));  // ", 50.0 files/s, 0:01 left"
  line.Update(99, t0 + milliseconds(1100));  // longer rate, shorter time
  line.Update(99, t0 + milliseconds(200000));
  EXPECT_EQ(terminal.Screen(), std::vector<std::string>{"metascope: 99 of 100 files, 0.5 files/s, 0:03 left"});
}

TEST(ProgressLine, OtherTextIsWrittenWithTheLineOutOfTheWay) {
  Recorder terminal;
  const Clock::time_point t0{};
  ProgressLine line(4, terminal.Sink(), t0, Clock::duration::zero(), 0);
  line.WriteLines("metascope: early.mp4: no such file\n");  // before the line first shows
  line.Update(1, t0 + milliseconds(1000));
  const std::size_t before = terminal.writes.size();
  line.WriteLines("metascope: a.mp4: no such file\nerror = MediaInfo: Open file fail!\n");
  // Wiped right before the text, drawn again right after it.
  ASSERT_EQ(terminal.writes.size(), before + 3);
  EXPECT_EQ(terminal.writes[before], Wipe(terminal.writes[before - 1].size() - 1));
  EXPECT_EQ(terminal.writes[before + 2], terminal.writes[before - 1]);
  line.Interrupt([&] { terminal.writes.emplace_back("{\"file\":\"b.mp4\"}\n"); });
  line.Update(2, t0 + milliseconds(2000));
  line.Finish();
  EXPECT_EQ(terminal.Screen(), (std::vector<std::string>{"metascope: early.mp4: no such file",
                                                          "metascope: a.mp4: no such file",
                                                          "error = MediaInfo: Open file fail!", "{\"file\":\"b.mp4\"}",
                                                          ""}));
}

TEST(ProgressLine, CutToTheTerminalWidth) {
  Recorder terminal;
  const Clock::time_point t0{};
  ProgressLine line(600, terminal.Sink(), t0, Clock::duration::zero(), 20);
  line.Update(120, t0 + milliseconds(4000));
  ASSERT_EQ(terminal.writes.size(), 1u);
  EXPECT_EQ(terminal.writes[0], "\rmetascope: 120 of 6");  // 19 columns: the cursor stays on the line
}

}  // namespace
