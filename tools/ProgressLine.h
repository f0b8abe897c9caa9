// metascope's progress line: one line on standard error, drawn again in
// place with a carriage return, that shows the files done of the total, the
// files per second and the time left, and is wiped when the run ends.
//
// Every other text bound for the same terminal goes through the line
// (WriteLines, or Interrupt for standard output), which wipes it, lets the
// text be written and draws it again, so that no text lands inside it. Pure
// logic: the terminal is a sink, the time is given by the caller.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace metascope::tool {

// "metascope: 120 of 600 files, 35.2 files/s, 0:14 left"; without the rate
// and the time left until a file is done.
std::string ProgressText(std::size_t done, std::size_t total, double elapsedSeconds);

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  using Sink = std::function<void(std::string_view text)>;

  // Drawing gaps: at least this long between two drawings of the line.
  static constexpr Clock::duration kRedrawInterval = std::chrono::milliseconds(100);

  // `delay`: how long the run must have lasted before the line first shows
  // (a short run shows none). `columns`: the terminal's width (0: unknown);
  // the line is cut to fit, so it never wraps.
  ProgressLine(std::size_t total, Sink sink, Clock::time_point start, Clock::duration delay, int columns);

  // Draws the line for `done` files at `now`, when it is due.
  void Update(std::size_t done, Clock::time_point now);

  // Writes whole lines to the sink with the progress line out of the way.
  void WriteLines(std::string_view text);

  // Runs `write`, which writes to another stream of the same terminal, with
  // the progress line out of the way.
  void Interrupt(const std::function<void()>& write);

  // Wipes the line for good; later calls draw nothing.
  void Finish();

 private:
  void Clear();  // the mutex is held
  void Draw();   // the mutex is held

  std::mutex mutex_;
  const std::size_t total_;
  const Sink sink_;
  const Clock::time_point start_;
  const Clock::duration delay_;
  const std::size_t columns_;
  std::string text_;          // the line's current text
  std::size_t drawnWidth_ = 0;  // columns written on the terminal's line since it was last wiped
  bool shown_ = false;          // the line has been drawn since the run began
  bool finished_ = false;
  Clock::time_point lastDraw_{};
};

}  // namespace metascope::tool
