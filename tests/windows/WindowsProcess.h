// Runs a Windows program to its end for process-level tests under Wine: a
// command line given whole, standard output and error captured, and
// optionally a restricted token in which the Administrators group is
// for deny only (the way a non-elevated administrator runs; Wine answers
// every membership test with yes otherwise).
#pragma once

#include <string>

namespace testing_support {

struct TWindowsChildResult {
  bool started = false;
  bool ended = false;           // false: still running at the time limit (then ended by force)
  unsigned long exitCode = 0;
  std::string out;              // standard output, bytes as written
  std::string err;              // standard error
};

// Runs `program` (a full path) with the whole command line `commandLine`
// (program name included, as the child sees it), in the environment of the
// calling process, in `scratchFolder` as its current directory (the folder
// of the test program would otherwise be searched for its DLLs), which also
// holds the output files. Waits at most `timeoutMs`.
TWindowsChildResult RunWindowsChild(const std::wstring& program, const std::wstring& commandLine,
                                    const std::wstring& scratchFolder, bool withoutAdministrators,
                                    unsigned long timeoutMs = 60000);

}  // namespace testing_support
