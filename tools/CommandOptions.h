// metascope's command line, read the way POSIX and GNU tools read theirs
// (getopt_long, from the C library on Linux and from MinGW-w64's runtime on
// Windows): bundled short options ("-rj2"), an option's value glued or as the
// next argument ("-j2", "-j 2", "--jobs=2", "--jobs 2"), unique prefixes of
// long options ("--rec"), options and files in any order, "--" ending the
// options and "-" as a file operand.
//
// Usage errors carry the wording GNU tools use, spelled by this code on both
// platforms so that they read the same everywhere.
#pragma once

#include <string>
#include <vector>

namespace metascope::tool {

enum class ProgressMode {
  kAuto,  // when standard error is a terminal and the run is not short
  kOn,    // --progress
  kOff,   // --no-progress
};

struct Options {
  bool json = false;
  bool recursive = false;
  bool trace = false;
  ProgressMode progress = ProgressMode::kAuto;
  unsigned jobs = 0;    // 0: the number of processors
  int timeoutMs = -1;   // negative: no limit
  std::vector<std::string> operands;
};

struct ParseOutcome {
  enum class Kind { kRun, kHelp, kVersion, kUsageError };
  Kind kind = Kind::kRun;
  // For kUsageError: what was wrong, e.g. "option requires an argument -- 'j'".
  std::string message;
};

// Reads argv[1..argc) into `options`. getopt_long moves the operands of argv
// behind the options, as it does for every program that uses it. --help and
// --version end the reading where they stand.
ParseOutcome ParseCommandLine(int argc, char** argv, Options& options);

}  // namespace metascope::tool
