// SplitCommandLine on any UTF-16 line (the input's bytes taken in pairs, low
// byte first). No argument is empty or holds a double quote or a NUL; the
// arguments, each put back in double quotes and joined by blanks, split into
// the same arguments again, and so do those without a blank joined as they
// are; the start-up arguments are arguments 1 to 4 of the split.

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "launcher/CommandLine.h"

namespace {

bool HasBlank(const std::u16string& text) {
  for (char16_t c : text) {
    if (c >= 1 && c <= 32) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string line;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    line += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }

  const std::vector<std::u16string> arguments = launcher::SplitCommandLine(line);
  std::u16string quoted;
  std::u16string plain;
  bool anyBlank = false;
  for (const std::u16string& argument : arguments) {
    FUZZ_CHECK(!argument.empty());
    FUZZ_CHECK(argument.find(u'"') == std::u16string::npos);
    FUZZ_CHECK(argument.find(u'\0') == std::u16string::npos);
    quoted += (quoted.empty() ? u"\"" : u" \"") + argument + u"\"";
    plain += (plain.empty() ? u"" : u" ") + argument;
    anyBlank = anyBlank || HasBlank(argument);
  }
  FUZZ_CHECK(launcher::SplitCommandLine(quoted) == arguments);
  if (!anyBlank) FUZZ_CHECK(launcher::SplitCommandLine(plain) == arguments);

  platform::CommandLine whole;
  whole.wholeLine = line;
  const launcher::TStartupArguments startup = launcher::StartupArgumentsFrom(whole);
  for (std::size_t i = 0; i < startup.size(); ++i) {
    FUZZ_CHECK(startup[i] == (i + 1 < arguments.size() ? arguments[i + 1] : std::u16string()));
  }
  return 0;
}
