// The launcher's command-line arguments.
#pragma once

#include "platform/CommandLine.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace launcher {

// Splits a whole command line into its arguments, the program name first:
// - before each argument, characters with codes 1 to 32 are skipped, and so
//   is every pair of adjacent double quotes met there;
// - an argument runs up to the next character with a code of 32 or less that
//   stands outside double quotes;
// - a double quote opens a stretch that runs to the next double quote or to
//   the end of the line; blanks inside it belong to the argument; the quote
//   characters themselves are dropped.
// A NUL ends the line. No argument is ever empty: a lone double quote at the
// very end of the line ends the line without adding one.
std::vector<std::u16string> SplitCommandLine(std::u16string_view line);

// Arguments 1 to 4; a missing argument is the empty text.
using TStartupArguments = std::array<std::u16string, 4>;

// Arguments 1 to 4 of the process's command line. A whole line is split by
// the rules above (its first argument is the program name); arguments that
// arrive already split lose their empty entries, so that here too an
// argument is never empty.
TStartupArguments StartupArgumentsFrom(const platform::CommandLine& commandLine);

}  // namespace launcher
