#include "ui/Timer.h"

#include "ui/Application.h"

#include <utility>

namespace ui {

TTimer::TTimer(TApplication& application) : application_(application) {}

TTimer::~TTimer() { Stop(); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Restart();
}

void TTimer::SetInterval(int interval) {
  if (interval_ == interval) return;
  interval_ = interval;
  Restart();
}

void TTimer::SetOnTimer(TTimerEvent handler) {
  onTimer_ = std::move(handler);
  Restart();
}

void TTimer::Restart() {
  Stop();
  if (!enabled_ || interval_ <= 0 || !onTimer_) return;
  running_ = application_.System().StartTimer(interval_);
  application_.RegisterTimer(running_, *this);
}

void TTimer::Stop() {
  if (running_ == 0) return;
  application_.System().StopTimer(running_);
  application_.UnregisterTimer(running_);
  running_ = 0;
}

void TTimer::Tick(std::uint64_t id) {
  if (id != running_) return;
  // The platform timer is one-shot: the next period starts now, so that a
  // late tick is not followed by a burst of others.
  application_.UnregisterTimer(running_);
  running_ = 0;
  Restart();
  // A copy: the handler may replace itself.
  const TTimerEvent handler = onTimer_;
  if (handler) handler(*this);
}

}  // namespace ui
