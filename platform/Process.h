// The running process and the programs it starts.
#pragma once

#include <string>
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
  explicit ChildProcess(long long id) : id_(id) {}
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept : id_(other.id_) { other.id_ = 0; }
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return id_ != 0; }
  long long Id() const { return id_; }
  // Blocks, with no time limit, until the process has ended, then lets go
  // of it. Returns at once when nothing was started or it was waited for.
  void Wait() noexcept;

 private:
  long long id_ = 0;
};

// Starts `program` (a path, used as given) with `arguments`, each passed as
// one argument and nothing through a command interpreter. The result is not
// Started() when the program could not be started. Windows: ShellExecuteExW
// with SEE_MASK_NOCLOSEPROCESS; Linux: posix_spawn.
ChildProcess StartChildProcess(const std::u16string& program,
                               const std::vector<std::u16string>& arguments) noexcept;

// True when the process runs with administrator rights. Windows: the effective
// token is a member of the built-in Administrators group; Linux: the effective
// user is root. Every failure counts as false.
bool IsAdministrator() noexcept;

}  // namespace platform
