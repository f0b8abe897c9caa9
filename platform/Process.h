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

// True when the process runs with administrator rights. Windows: the effective
// token is a member of the built-in Administrators group; Linux: the effective
// user is root. Every failure counts as false.
bool IsAdministrator() noexcept;

}  // namespace platform
