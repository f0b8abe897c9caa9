// A timer component: while enabled, with an interval above 0 and a handler,
// raises OnTimer every Interval milliseconds, delivered through the application's message loop. Ticks do
// not pile up: while the loop is held up, at most one tick waits.
#pragma once

#include <cstdint>
#include <functional>

namespace ui {

class TApplication;
class TTimer;

using TTimerEvent = std::function<void(TTimer& sender)>;

class TTimer {
 public:
  // A new timer is enabled with an interval of 1000 ms, like the framework's
  // designer default; a form's layout sets both.
  explicit TTimer(TApplication& application);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Milliseconds; 0 stops the timer.
  int Interval() const { return interval_; }
  void SetInterval(int interval);

  const TTimerEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(TTimerEvent handler);

  // From the application: the platform's timer `id` fell due.
  void Tick(std::uint64_t id);

 private:
  void Restart();
  void Stop();

  TApplication& application_;
  bool enabled_ = true;
  int interval_ = 1000;
  TTimerEvent onTimer_;
  std::uint64_t running_ = 0;  // the platform timer under way, 0 for none
};

}  // namespace ui
