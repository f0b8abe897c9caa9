#include "platform/DebugOutput.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {
namespace {

// Lines of different threads are written one after the other: a write to a
// pipe is atomic only up to PIPE_BUF bytes, and a long line takes several.
pthread_mutex_t writeLock = PTHREAD_MUTEX_INITIALIZER;

// Keeps SIGPIPE from the calling thread while it lives. A write to a broken
// pipe then leaves the signal pending instead of ending the process; it is
// taken off again unless the host had one pending already.
class SigpipeBlocked {
 public:
  SigpipeBlocked() noexcept {
    sigemptyset(&pipeOnly_);
    sigaddset(&pipeOnly_, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    hostPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeOnly_, &saved_);
  }
  ~SigpipeBlocked() {
    if (!hostPending_) {
      sigset_t pending;
      sigemptyset(&pending);
      if (sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
        const timespec now{0, 0};
        while (sigtimedwait(&pipeOnly_, nullptr, &now) < 0 && errno == EINTR) {
        }
      }
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  SigpipeBlocked(const SigpipeBlocked&) = delete;
  SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

 private:
  sigset_t pipeOnly_;
  sigset_t saved_;
  bool hostPending_ = false;
};

// Holds the write lock; a cancellation request waits until it is released.
class WriteLockHeld {
 public:
  WriteLockHeld() noexcept {
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &cancelState_);
    pthread_mutex_lock(&writeLock);
  }
  ~WriteLockHeld() {
    pthread_mutex_unlock(&writeLock);
    pthread_setcancelstate(cancelState_, nullptr);
  }
  WriteLockHeld(const WriteLockHeld&) = delete;
  WriteLockHeld& operator=(const WriteLockHeld&) = delete;

 private:
  int cancelState_ = PTHREAD_CANCEL_ENABLE;
};

}  // namespace

void WriteDebugLine(const DebugLinePiece* pieces, std::size_t count) noexcept {
  if (count > kMaxDebugLinePieces) count = kMaxDebugLinePieces;
  iovec vector[kMaxDebugLinePieces];
  int used = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (pieces[i].size == 0) continue;
    vector[used].iov_base = const_cast<char*>(pieces[i].data);
    vector[used].iov_len = pieces[i].size;
    ++used;
  }

  WriteLockHeld lock;
  SigpipeBlocked noSigpipe;
  // A short write (a full pipe, a signal) goes on with the rest; any error
  // (a broken pipe, a closed descriptor) drops the rest of the line.
  iovec* next = vector;
  while (used > 0) {
    const ssize_t written = ::writev(STDERR_FILENO, next, used);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    auto left = static_cast<std::size_t>(written);
    while (used > 0 && left >= next->iov_len) {
      left -= next->iov_len;
      ++next;
      --used;
    }
    if (used > 0) {
      next->iov_base = static_cast<char*>(next->iov_base) + left;
      next->iov_len -= left;
    }
  }
}

bool DebugLineWanted(DebugLineKind kind) noexcept {
  const char* level = std::getenv("METASCOPE_TRACE");
  if (level != nullptr && std::strcmp(level, "none") == 0) return false;
  if (level != nullptr && std::strcmp(level, "all") == 0) return true;
  return kind == DebugLineKind::Error;
}

}  // namespace platform
