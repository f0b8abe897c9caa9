#include "launcher/CommandLine.h"

namespace launcher {

namespace {
constexpr char16_t kQuote = u'"';
bool IsBlank(char16_t c) { return c >= 1 && c <= 32; }
}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view line) {
  line = line.substr(0, line.find(u'\0'));
  std::vector<std::u16string> arguments;
  std::size_t pos = 0;
  const std::size_t end = line.size();
  for (;;) {
    while (pos < end) {
      if (IsBlank(line[pos])) {
        ++pos;
      } else if (line[pos] == kQuote && pos + 1 < end && line[pos + 1] == kQuote) {
        pos += 2;
      } else {
        break;
      }
    }
    if (pos >= end) break;

    std::u16string argument;
    while (pos < end && !IsBlank(line[pos])) {
      if (line[pos] == kQuote) {
        const std::size_t close = line.find(kQuote, pos + 1);
        const std::size_t stop = close == std::u16string_view::npos ? end : close;
        argument.append(line.substr(pos + 1, stop - pos - 1));
        pos = close == std::u16string_view::npos ? end : close + 1;
      } else {
        argument += line[pos++];
      }
    }
    // Only a lone quote at the end of the line leaves nothing here.
    if (argument.empty()) break;
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

TStartupArguments StartupArgumentsFrom(const platform::CommandLine& commandLine) {
  std::vector<std::u16string> arguments;
  if (commandLine.wholeLine) {
    arguments = SplitCommandLine(*commandLine.wholeLine);
    if (!arguments.empty()) arguments.erase(arguments.begin());
  } else {
    for (const auto& argument : commandLine.arguments)
      if (!argument.empty()) arguments.push_back(argument);
  }
  TStartupArguments result;
  for (std::size_t i = 0; i < result.size() && i < arguments.size(); ++i) result[i] = arguments[i];
  return result;
}

}  // namespace launcher
