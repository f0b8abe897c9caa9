// The running process and the programs it starts.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// Full path of the running program's own executable file, as the platform
// reports it for the running module (Windows: GetModuleFileNameW; Linux: the
// target of /proc/self/exe). Empty when the platform cannot tell.
std::u16string OwnExecutablePath();

// Starts `program` (a full path) with `arguments` and returns at once, neither
// waiting for it nor reporting whether it started. Nothing goes through a
// command interpreter. Windows: ShellExecuteW with verb "open" and SW_SHOWNORMAL,
// each argument enclosed in double quotes; Linux: posix_spawn with the
// argument vector {program, arguments...}. The child is not waited for, so on
// Linux the caller is expected to end soon after (its exit hands the child to
// init).
void StartProgram(const std::u16string& program, const std::vector<std::u16string>& arguments) noexcept;

// A program started to be waited for. Owns the platform's hold on the child
// process (Windows: the process handle; Linux: the unreaped process id) and
// gives it up when destroyed.
class ChildProcess {
 public:
  ChildProcess() = default;
  // A started program; `id` 0 when the platform gave nothing to wait for.
  explicit ChildProcess(long long id) : started_(true), id_(id) {}
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept : started_(other.started_), id_(other.id_) {
    other.started_ = false;
    other.id_ = 0;
  }
  ChildProcess& operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
      ChildProcess old(std::move(*this));  // lets go of what this held
      started_ = other.started_;
      id_ = other.id_;
      other.started_ = false;
      other.id_ = 0;
    }
    return *this;
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return started_; }
  long long Id() const { return id_; }
  // Blocks, with no time limit, until the process has ended, then lets go
  // of it. Returns at once when there is nothing to wait for: nothing was
  // started, the start gave no process, or it was waited for already.
  void Wait() noexcept;

 private:
  bool started_ = false;
  long long id_ = 0;
};

// Starts the program `file` with `parameters` and returns at once. `file` is
// a path, used as given, or a path enclosed in double quotes (the same path
// without them). `parameters` is one text passed as it stands, neither quoted
// nor split; empty for none. Nothing goes through a command interpreter.
// The result is not Started() when the start failed; it may be Started() with
// nothing to wait for when the platform started the file without giving a
// process.
// Windows: ShellExecuteExW with SEE_MASK_NOCLOSEPROCESS only, no window, the
// default verb, lpFile `file`, lpParameters `parameters` (null when empty),
// no directory, SW_SHOW. Linux: posix_spawn with {path} or {path, parameters}.
ChildProcess StartChildProcess(const std::u16string& file, const std::u16string& parameters) noexcept;

// True when the process runs with administrator rights. Windows: the effective
// token is a member of the built-in Administrators group; Linux: the effective
// user is root. Every failure counts as false.
bool IsAdministrator() noexcept;

}  // namespace platform
