// Stand-in for the starter program.
//
// Usage: QBStart <launcher path>. Starts the launcher at that path with the
// one argument "-qbstart" (an argument, so that the launcher asks the
// update-service library instead of handing over again) and waits for it.
// Logs "QBStart launcher=<path>" before and "QBStart-done status=<exit code>"
// after to the stand-ins' log (StandinLog.h), so that a caller can tell when
// the whole hand-over has finished. Linux only: Windows gets its own starter.
#include "standins/StandinLog.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    standins::AppendLogLine("QBStart", {{"error", "usage: QBStart <launcher path>"}});
    return 2;
  }
  std::string path = argv[1];
  std::string argument = "-qbstart";
  standins::AppendLogLine("QBStart", {{"launcher", path}});

  char* childArgv[] = {path.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, path.c_str(), nullptr, nullptr, childArgv, environ) != 0) {
    standins::AppendLogLine("QBStart-done", {{"status", "not started"}});
    return 1;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      standins::AppendLogLine("QBStart-done", {{"status", "lost"}});
      return 1;
    }
  }
  const std::string result = WIFEXITED(status) ? std::to_string(WEXITSTATUS(status))
                                               : "signal " + std::to_string(WTERMSIG(status));
  standins::AppendLogLine("QBStart-done", {{"status", result}});
  return 0;
}
