// Stand-in for the starter program, Windows.
//
// Usage: QBStart.exe "<launcher path>". Logs the launcher path and the exact
// parameter text it was given (everything after its own name on the command
// line, so that the caller's quoting can be checked), starts the launcher at
// that path with the one argument "-qbstart" (an argument, so that the
// launcher asks the update-service library instead of handing over again),
// waits for it, and logs "QBStart-done status=<exit code>" (StandinLog.h).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include "platform/TextEncoding.h"
#include "standins/StandinLog.h"

#include <memory>
#include <string>

namespace {

std::string Utf8(std::wstring_view text) {
  return platform::Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

// The command line after the program name, as the caller wrote it: the name
// runs to the closing quote when it starts with one, otherwise to the first
// blank; the blanks after it are skipped.
std::wstring ParameterText(const wchar_t* line) {
  std::wstring_view rest(line != nullptr ? line : L"");
  std::size_t pos = 0;
  if (!rest.empty() && rest[0] == L'"') {
    const std::size_t close = rest.find(L'"', 1);
    pos = close == std::wstring_view::npos ? rest.size() : close + 1;
  }
  while (pos < rest.size() && rest[pos] != L' ' && rest[pos] != L'\t') ++pos;
  while (pos < rest.size() && (rest[pos] == L' ' || rest[pos] == L'\t')) ++pos;
  return std::wstring(rest.substr(pos));
}

struct LocalFreeDeleter {
  void operator()(wchar_t** p) const noexcept { ::LocalFree(p); }
};

struct HandleCloser {
  void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
using HandleHolder = std::unique_ptr<void, HandleCloser>;

}  // namespace

int wmain() {
  const wchar_t* line = ::GetCommandLineW();
  int count = 0;
  const std::unique_ptr<wchar_t*, LocalFreeDeleter> argv(::CommandLineToArgvW(line, &count));
  if (!argv || count != 2 || argv.get()[1][0] == L'\0') {
    standins::AppendLogLine("QBStart", {{"error", "usage: QBStart \"<launcher path>\""}});
    return 2;
  }
  const std::wstring path = argv.get()[1];
  standins::AppendLogLine("QBStart", {{"launcher", Utf8(path)}, {"parameters", Utf8(ParameterText(line))}});

  std::wstring childLine = L"\"" + path + L"\" -qbstart";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(path.c_str(), childLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    standins::AppendLogLine("QBStart-done", {{"status", "not started"}});
    return 1;
  }
  const HandleHolder child(process.hProcess);
  const HandleHolder thread(process.hThread);
  DWORD status = 0;
  if (::WaitForSingleObject(child.get(), INFINITE) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(child.get(), &status)) {
    standins::AppendLogLine("QBStart-done", {{"status", "lost"}});
    return 1;
  }
  standins::AppendLogLine("QBStart-done", {{"status", std::to_string(status)}});
  return 0;
}
