// Work done in a helper process that can be given up on.
//
// A call into a library that hangs cannot be cancelled inside the process
// that made it. A WorkerProcess runs a handler in a child process instead:
// the parent sends a request, waits for the answer for a bounded time, and
// ends the child when it does not answer in time. The next request starts a
// fresh child.
//
// Linux: a child made with fork() that at once runs this program again
// (execv of /proc/self/exe with a worker argument), so that it starts with one
// thread and no lock held by another thread of the parent; that program
// calls ServeIfWorker first in main() and answers one request after another
// over a socket pair.
// Windows has no fork(): the handler runs in the calling thread, and time
// limits are not enforced (TimeLimitsSupported() is false).
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace platform {

// True where a WorkerProcess can give up on a request that takes too long.
bool TimeLimitsSupported() noexcept;

// Sets an environment variable of this process (and of the children it
// starts afterwards), replacing any value it had.
void SetEnvironmentValue(const char* name, const char* value) noexcept;

class WorkerProcess {
 public:
  using Handler = std::function<std::string(const std::string& request)>;
  enum class Outcome {
    kAnswered,  // `answer` holds the handler's answer
    kTimedOut,  // no answer in time; the child was ended
    kFailed,    // no child could be started, or it ended without answering
    kCancelled, // Cancel() ended the child while the request was running
  };

  // Starts nothing yet: the child is made by the first Ask.
  explicit WorkerProcess(Handler handler);
  // Ends the child, if one runs, and waits for it.
  ~WorkerProcess();
  WorkerProcess(const WorkerProcess&) = delete;
  WorkerProcess& operator=(const WorkerProcess&) = delete;

  // Hands `request` to the handler in the child and waits for its answer, at
  // most `timeoutMs` milliseconds (negative: no limit). One Ask at a time
  // per object. After any outcome other than kAnswered the child has been
  // ended and waited for.
  Outcome Ask(const std::string& request, std::string& answer, int timeoutMs);

  // May be called from another thread: ends the child now, so that a
  // running Ask returns kCancelled, and makes every later Ask return
  // kCancelled at once.
  void Cancel() noexcept;

 private:
  void Stop() noexcept;

  [[maybe_unused]] Handler handler_;  // run in the calling thread where there is no fork()
  std::mutex mutex_;  // guards pid_ against Cancel while the child is reaped
  long long pid_ = 0;
  int socket_ = -1;
  bool cancelled_ = false;
};

// Call first in main(), with the handler the program's WorkerProcess objects
// are given. In a process started as a worker this serves requests with
// `handler` and ends the process; otherwise it returns at once.
void ServeIfWorker(int argc, char** argv, const WorkerProcess::Handler& handler);

}  // namespace platform
