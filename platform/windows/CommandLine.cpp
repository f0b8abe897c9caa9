#include "platform/CommandLine.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

CommandLine ReadCommandLine(int, const char* const*) {
  // The C runtime's argv follows other splitting rules and the ANSI code
  // page: the program splits the whole UTF-16 line itself.
  CommandLine line;
  const wchar_t* whole = ::GetCommandLineW();
  line.wholeLine = windows::FromWide(whole != nullptr ? std::wstring_view(whole) : std::wstring_view());
  return line;
}

}  // namespace platform
