#include "platform/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace platform {
namespace {

void WriteAll(int fd, std::string_view text) noexcept {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

bool IsTerminal(StandardStream stream) noexcept {
  return ::isatty(stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

int TerminalColumns() noexcept {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

StandardErrorRelay::StandardErrorRelay(Sink sink) : sink_(std::move(sink)) {
  std::fflush(stderr);
  const int terminal = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (terminal < 0) return;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    ::close(terminal);
    return;
  }
  // The reading end only does not block: Drain() takes what is there and
  // returns, while writers still wait when the pipe is full.
  ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
  // Descriptor 2 becomes the pipe's writing end, without close-on-exec, so
  // that the programs started from now on write into it too.
  if (::dup2(ends[1], STDERR_FILENO) < 0) {
    ::close(ends[0]);
    ::close(ends[1]);
    ::close(terminal);
    return;
  }
  ::close(ends[1]);
  reader_ = ends[0];
  terminal_ = terminal;
  try {
    thread_ = std::thread([this] { Relay(); });
  } catch (...) {
    ::dup2(terminal_, STDERR_FILENO);
    ::close(terminal_);
    ::close(reader_);
    terminal_ = reader_ = -1;
  }
}

void StandardErrorRelay::Stop() noexcept {
  if (!Active()) return;
  std::fflush(stderr);
  // Closes this process's writing end; the relay reads to the end of what
  // was written and stops when no writer is left, or soon after this when a
  // program that outlived its parent still holds one.
  ::dup2(terminal_, STDERR_FILENO);
  stopping_.store(true);
  thread_.join();
  ::close(reader_);
  ::close(terminal_);
  reader_ = terminal_ = -1;
}

void StandardErrorRelay::Write(std::string_view text) noexcept {
  WriteAll(Active() ? terminal_ : STDERR_FILENO, text);
}

void StandardErrorRelay::Drain() noexcept {
  if (!Active()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  ReadAvailable(false);
}

bool StandardErrorRelay::ReadAvailable(bool atEnd) noexcept {
  bool open = true;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(reader_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      open = got < 0 && errno == EAGAIN;
      break;
    }
    try {
      pending_.append(buffer, static_cast<std::size_t>(got));
    } catch (...) {
      break;
    }
    // A very long line goes out in pieces.
    if (pending_.size() >= 65536) break;
  }
  std::size_t size = pending_.rfind('\n');
  size = size == std::string::npos ? 0 : size + 1;
  if (atEnd || !open || pending_.size() >= 65536) {
    size = pending_.size();
    // The progress line that follows must not wipe the end of it.
    if (size > 0 && pending_.back() != '\n') {
      try {
        pending_ += '\n';
        ++size;
      } catch (...) {
      }
    }
  }
  if (size > 0) {
    try {
      sink_(std::string_view(pending_.data(), size));
    } catch (...) {
    }
    pending_.erase(0, size);
  }
  return open;
}

void StandardErrorRelay::Relay() noexcept {
  for (;;) {
    pollfd entry{reader_, POLLIN, 0};
    const int ready = ::poll(&entry, 1, 100);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) {
      if (stopping_.load()) break;
      continue;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ReadAvailable(false)) return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  ReadAvailable(true);
}

}  // namespace platform
