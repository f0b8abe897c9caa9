// Whether a person watches a standard stream, and a way to keep one line of
// standard error for oneself while other writers, in this process and in the
// programs it starts, go on writing lines to it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace platform {

enum class StandardStream { kOutput, kError };

// Linux: isatty. Windows: the stream's handle is a console (GetConsoleMode
// succeeds on it); a pipe, a file or a terminal emulated by another program
// is not one.
bool IsTerminal(StandardStream stream) noexcept;

// The width in columns of the terminal on standard error, or 0 when unknown.
int TerminalColumns() noexcept;

// While it lives, everything written to standard error by this process and by
// the programs it starts from now on (Linux: file descriptor 2, which they
// inherit) is collected and handed to `sink`, a run of whole lines at a time,
// on a thread of the relay's own; Write() reaches the real standard error.
// Lines keep the order in which they were written to the descriptor, and
// Drain() hands over at once whatever has been written so far, so that a text
// the caller writes next comes after every line written before it.
//
// Windows has no such relay (Active() is false: there a probe runs in a
// thread of this process and its library writes to the debugger, not to
// standard error); Write() then writes to standard error.
class StandardErrorRelay {
 public:
  using Sink = std::function<void(std::string_view lines)>;

  explicit StandardErrorRelay(Sink sink);
  ~StandardErrorRelay() { Stop(); }
  StandardErrorRelay(const StandardErrorRelay&) = delete;
  StandardErrorRelay& operator=(const StandardErrorRelay&) = delete;

  // Gives standard error back, then hands over whatever was still written to
  // it (a text that does not end its line gets a line feed) and returns; the
  // relay is no longer active after it. The sink may still call Write() from
  // there.
  void Stop() noexcept;

  bool Active() const noexcept { return terminal_ >= 0; }

  // Hands the whole lines written to standard error up to now to the sink,
  // in the calling thread.
  void Drain() noexcept;

  // Writes `text` to the real standard error, at once and whole; write errors
  // are ignored.
  void Write(std::string_view text) noexcept;

 private:
  void Relay() noexcept;
  // Reads what the pipe holds and hands over its whole lines (all of it at
  // the end); false when the pipe has no writer left. `mutex_` is held.
  bool ReadAvailable(bool atEnd) noexcept;

  Sink sink_;
  std::mutex mutex_;    // one reader of the pipe at a time
  std::string pending_; // read, not yet handed over: the start of a line
  int terminal_ = -1;  // the real standard error while relaying
  int reader_ = -1;    // the end of the pipe that descriptor 2 writes into
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace platform
