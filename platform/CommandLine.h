// The process's command line, in the form the platform keeps it.
//
// Windows keeps the whole command line as one text (GetCommandLineW), program
// name first; the program splits it by its own rules. Linux hands the program
// its arguments already split by whoever started it (argv).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct CommandLine {
  // Windows: the whole line, program name included, not yet split.
  std::optional<std::u16string> wholeLine;
  // Linux: the arguments after the program name, exactly as received (empty
  // entries included); unused when wholeLine is set.
  std::vector<std::u16string> arguments;
};

// `argc` and `argv` as main() received them. Windows ignores them and reads
// GetCommandLineW; Linux converts argv[1..argc-1] from UTF-8 (see
// TextEncoding.h), tolerating argc == 0 and null entries.
CommandLine ReadCommandLine(int argc, const char* const* argv);

}  // namespace platform
