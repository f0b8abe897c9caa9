#include "platform/WorkerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Messages are a 4-byte length in the machine's byte order, then the bytes.
// Both ends are the same program.

bool SendAll(int fd, const char* data, std::size_t size) noexcept {
  while (size > 0) {
    // MSG_NOSIGNAL: a peer that has gone away gives EPIPE, never SIGPIPE.
    const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool SendMessage(int fd, const std::string& message) noexcept {
  if (message.size() > UINT32_MAX) return false;
  const std::uint32_t size = static_cast<std::uint32_t>(message.size());
  char header[sizeof size];
  std::memcpy(header, &size, sizeof size);
  return SendAll(fd, header, sizeof header) && SendAll(fd, message.data(), message.size());
}

enum class ReadResult { kDone, kClosed, kTimedOut };

// Reads exactly `size` bytes, giving up at `deadline` (when `limited`).
ReadResult ReceiveAll(int fd, char* data, std::size_t size, bool limited, Clock::time_point deadline) {
  while (size > 0) {
    int wait = -1;
    if (limited) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return ReadResult::kTimedOut;
      wait = left > 60000 ? 60000 : static_cast<int>(left);
    }
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return ReadResult::kClosed;
    }
    if (ready == 0) continue;  // the loop checks the deadline
    const ssize_t got = recv(fd, data, size, 0);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return ReadResult::kClosed;
    }
    if (got == 0) return ReadResult::kClosed;
    data += got;
    size -= static_cast<std::size_t>(got);
  }
  return ReadResult::kDone;
}

ReadResult ReceiveMessage(int fd, std::string& message, bool limited, Clock::time_point deadline) {
  std::uint32_t size = 0;
  char header[sizeof size];
  ReadResult result = ReceiveAll(fd, header, sizeof header, limited, deadline);
  if (result != ReadResult::kDone) return result;
  std::memcpy(&size, header, sizeof size);
  message.assign(size, '\0');
  return ReceiveAll(fd, message.data(), size, limited, deadline);
}

// The argument that marks a process started as a worker.
constexpr char kWorkerArgument[] = "--vidorra-worker-process";
constexpr int kChildSocket = 3;

// The child, between fork() and execv(): only async-signal-safe calls, as
// another thread of the parent may have held any lock at the fork.
[[noreturn]] void StartWorkerProgram(int fd, pid_t parent, char* const* arguments) noexcept {
  // A child stuck in the handler must not outlive a parent that was killed
  // (the signal comes when the thread that started the child ends; it stays
  // set across execv).
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(0);
  // Only the socket stays open: a copy of another worker's socket kept here
  // would hide that worker's end from the parent.
  if (fd != kChildSocket) {
    if (dup2(fd, kChildSocket) < 0) _exit(127);
  } else {
    // dup2 onto itself would keep close-on-exec set.
    if (fcntl(fd, F_SETFD, 0) < 0) _exit(127);
  }
  if (close_range(kChildSocket + 1, ~0U, 0) != 0) {
    const long limit = sysconf(_SC_OPEN_MAX);
    for (long i = kChildSocket + 1; i < (limit > 0 && limit < 65536 ? limit : 65536); ++i) close(static_cast<int>(i));
  }
  // Standard output belongs to the parent.
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    if (null != STDOUT_FILENO) close(null);
  }
  execv("/proc/self/exe", arguments);
  _exit(127);
}

}  // namespace

void ServeIfWorker(int argc, char** argv, const WorkerProcess::Handler& handler) {
  if (argc != 2 || std::strcmp(argv[1], kWorkerArgument) != 0) return;
  std::string request;
  for (;;) {
    if (ReceiveMessage(kChildSocket, request, false, Clock::time_point{}) != ReadResult::kDone) _exit(0);
    std::string answer;
    try {
      answer = handler(request);
    } catch (...) {
      _exit(126);
    }
    if (!SendMessage(kChildSocket, answer)) _exit(0);
  }
}


bool TimeLimitsSupported() noexcept { return true; }

void SetEnvironmentValue(const char* name, const char* value) noexcept { setenv(name, value, 1); }

WorkerProcess::WorkerProcess(Handler handler) : handler_(std::move(handler)) {}

WorkerProcess::~WorkerProcess() { Stop(); }

void WorkerProcess::Stop() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (socket_ >= 0) {
    close(socket_);  // an idle child reads the end of its input and leaves
    socket_ = -1;
  }
  if (pid_ > 0) {
    kill(static_cast<pid_t>(pid_), SIGKILL);
    while (waitpid(static_cast<pid_t>(pid_), nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
  }
}

void WorkerProcess::Cancel() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
  // Only signalled here; the Ask that owns the child reaps it, so the
  // process id stays ours until then.
  if (pid_ > 0) kill(static_cast<pid_t>(pid_), SIGKILL);
}

WorkerProcess::Outcome WorkerProcess::Ask(const std::string& request, std::string& answer, int timeoutMs) {
  const bool limited = timeoutMs >= 0;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) return Outcome::kCancelled;
    if (pid_ == 0) {
      int ends[2];
      if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return Outcome::kFailed;
      const pid_t parent = getpid();
      // Made before the fork: the child may not allocate.
      char program[] = "worker";
      char marker[sizeof kWorkerArgument];
      std::memcpy(marker, kWorkerArgument, sizeof kWorkerArgument);
      char* const arguments[] = {program, marker, nullptr};
      const pid_t pid = fork();
      if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return Outcome::kFailed;
      }
      if (pid == 0) {
        close(ends[0]);
        StartWorkerProgram(ends[1], parent, arguments);
      }
      close(ends[1]);
      pid_ = pid;
      socket_ = ends[0];
    }
  }
  ReadResult result = ReadResult::kClosed;
  if (SendMessage(socket_, request)) result = ReceiveMessage(socket_, answer, limited, deadline);
  if (result == ReadResult::kDone) return Outcome::kAnswered;
  Stop();
  std::lock_guard<std::mutex> lock(mutex_);
  if (cancelled_) return Outcome::kCancelled;
  return result == ReadResult::kTimedOut ? Outcome::kTimedOut : Outcome::kFailed;
}

}  // namespace platform
