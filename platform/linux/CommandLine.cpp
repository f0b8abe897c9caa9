#include "platform/CommandLine.h"

#include "platform/TextEncoding.h"

namespace platform {

CommandLine ReadCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  if (argv == nullptr) return line;
  for (int i = 1; i < argc; ++i) {
    line.arguments.push_back(argv[i] == nullptr ? std::u16string() : Utf16FromUtf8(argv[i]));
  }
  return line;
}

}  // namespace platform
