#include "platform/WorkerProcess.h"

#include <cstdlib>

namespace platform {

// Without fork() there is no cheap copy of this process to run the handler
// in: it runs in the calling thread, and a request cannot be given up on.

bool TimeLimitsSupported() noexcept { return false; }

void SetEnvironmentValue(const char* name, const char* value) noexcept { _putenv_s(name, value); }

void ServeIfWorker(int, char**, const WorkerProcess::Handler&) {}

WorkerProcess::WorkerProcess(Handler handler) : handler_(std::move(handler)) {}

WorkerProcess::~WorkerProcess() = default;

void WorkerProcess::Stop() noexcept {}

void WorkerProcess::Cancel() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
}

WorkerProcess::Outcome WorkerProcess::Ask(const std::string& request, std::string& answer, int) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return Outcome::kCancelled;
  }
  try {
    answer = handler_(request);
  } catch (...) {
    return Outcome::kFailed;
  }
  return Outcome::kAnswered;
}

}  // namespace platform
