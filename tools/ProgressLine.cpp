#include "ProgressLine.h"

#include <cmath>
#include <cstdio>

namespace metascope::tool {
namespace {

std::string Duration(double seconds) {
  const auto total = static_cast<long long>(std::ceil(seconds));
  char text[48];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  }
  return text;
}

}  // namespace

std::string ProgressText(std::size_t done, std::size_t total, double elapsedSeconds) {
  std::string text = "metascope: " + std::to_string(done) + " of " + std::to_string(total) + " files";
  if (done == 0 || !(elapsedSeconds > 0)) return text;
  const double rate = static_cast<double>(done) / elapsedSeconds;
  char figure[64];
  std::snprintf(figure, sizeof figure, rate < 100 ? ", %.1f files/s" : ", %.0f files/s", rate);
  text += figure;
  if (done < total) text += ", " + Duration(static_cast<double>(total - done) / rate) + " left";
  return text;
}

ProgressLine::ProgressLine(std::size_t total, Sink sink, Clock::time_point start, Clock::duration delay,
                           int columns)
    : total_(total),
      sink_(std::move(sink)),
      start_(start),
      delay_(delay),
      columns_(columns > 1 ? static_cast<std::size_t>(columns - 1) : 0) {}

void ProgressLine::Update(std::size_t done, Clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (finished_ || done >= total_) return;
  if (!shown_ && now - start_ < delay_) return;
  if (shown_ && now - lastDraw_ < kRedrawInterval) return;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::string text = ProgressText(done, total_, elapsed);
  // The line must never wrap: a carriage return only goes back to the start
  // of the terminal's last line.
  if (columns_ > 0 && text.size() > columns_) text.resize(columns_);
  lastDraw_ = now;
  shown_ = true;
  if (text == text_ && drawnWidth_ > 0) return;
  text_ = std::move(text);
  Draw();
}

void ProgressLine::WriteLines(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clear();
  sink_(text);
  if (!finished_ && shown_) Draw();
}

void ProgressLine::Interrupt(const std::function<void()>& write) {
  std::lock_guard<std::mutex> lock(mutex_);
  Clear();
  write();
  if (!finished_ && shown_) Draw();
}

void ProgressLine::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  Clear();
  finished_ = true;
}

void ProgressLine::Clear() {
  if (drawnWidth_ == 0) return;
  std::string wipe(1, '\r');
  wipe.append(drawnWidth_, ' ');
  wipe += '\r';
  sink_(wipe);
  drawnWidth_ = 0;
}

void ProgressLine::Draw() {
  // Spaces cover what is left of a longer text drawn before.
  std::string line(1, '\r');
  line += text_;
  if (drawnWidth_ > text_.size()) line.append(drawnWidth_ - text_.size(), ' ');
  sink_(line);
  if (text_.size() > drawnWidth_) drawnWidth_ = text_.size();
}

}  // namespace metascope::tool
