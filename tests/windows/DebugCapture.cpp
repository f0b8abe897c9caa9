// debugcapture [--out FILE] PROGRAM [ARGUMENT...]
//
// Runs PROGRAM as a debuggee and records the whole text of every
// OutputDebugStringA (and OutputDebugStringW, as UTF-8) that it makes, in
// order and unchanged: into FILE, or onto standard output without --out.
// Each text is written out before the program is let go on from its call, so
// when OutputDebugStringA returns, its text is already in FILE; the program
// finds FILE's name in the environment variable VIDORRA_DEBUG_OUTPUT_FILE and
// can read its own lines back.
//
// Exits with the program's exit code, or 125 when it cannot be started or
// debugged, 126 on a usage error.
//
// A test harness program: the one place outside platform/ that talks to the
// debugging interface of Windows.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kCannotRun = 125;
constexpr int kUsage = 126;
constexpr const char* kFileVariable = "VIDORRA_DEBUG_OUTPUT_FILE";
// Texts longer than this are cut; far more than any line the tree writes.
constexpr std::size_t kMaxText = 64u << 20;

// Owns one kernel handle.
class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) noexcept : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() {
    if (h_ != nullptr) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const noexcept { return h_; }

 private:
  HANDLE h_;
};

// Appends one argument to a command line so that the usual parsing of the
// C runtime gives it back unchanged.
void AppendQuoted(std::string& line, const std::string& arg) {
  if (!line.empty()) line += ' ';
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += arg;
    return;
  }
  line += '"';
  std::size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, '\\');
  line += '"';
}

// Reads the debuggee's NUL-terminated string at `address` in element steps of
// `unit` bytes. The length in the event is only 16 bits wide, so the text is
// read up to its terminator instead, a page at a time so that no read
// crosses into memory that the string does not reach.
std::vector<char> ReadRemoteString(HANDLE process, const char* address, std::size_t unit) {
  std::vector<char> text;
  constexpr std::size_t kPage = 4096;
  auto at = reinterpret_cast<std::uintptr_t>(address);
  while (text.size() < kMaxText) {
    const std::size_t chunk = kPage - (at % kPage);
    const std::size_t old = text.size();
    text.resize(old + chunk);
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<const void*>(at), text.data() + old, chunk, &got) ||
        got != chunk) {
      text.resize(old);
      break;
    }
    // Look for a terminator on element boundaries.
    const std::size_t first = old - (old % unit);
    for (std::size_t i = first; i + unit <= text.size(); i += unit) {
      bool zero = true;
      for (std::size_t k = 0; k < unit; ++k) zero = zero && text[i + k] == 0;
      if (zero) {
        text.resize(i);
        return text;
      }
    }
    at += chunk;
  }
  text.resize(text.size() - (text.size() % unit));
  return text;
}

std::string WideToUtf8(const std::vector<char>& bytes) {
  const auto* wide = reinterpret_cast<const wchar_t*>(bytes.data());
  const int count = static_cast<int>(bytes.size() / sizeof(wchar_t));
  if (count == 0) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, count, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide, count, out.data(), size, nullptr, nullptr);
  return out;
}

bool WriteAll(HANDLE to, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD part = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
    if (!WriteFile(to, data, part, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  const char* outPath = nullptr;
  if (argc > 2 && std::strcmp(argv[1], "--out") == 0) {
    outPath = argv[2];
    first = 3;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: debugcapture [--out FILE] PROGRAM [ARGUMENT...]\n");
    return kUsage;
  }

  // Shared for reading and writing, so that the debuggee can read the file
  // while it is being written.
  const Handle outFile(outPath == nullptr
                           ? nullptr
                           : CreateFileA(outPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (outPath != nullptr) {
    if (outFile.get() == nullptr) {
      std::fprintf(stderr, "debugcapture: cannot create %s (error %lu)\n", outPath, GetLastError());
      return kCannotRun;
    }
    out = outFile.get();
    SetEnvironmentVariableA(kFileVariable, outPath);
  } else {
    SetEnvironmentVariableA(kFileVariable, nullptr);
  }

  std::string commandLine;
  for (int i = first; i < argc; ++i) AppendQuoted(commandLine, argv[i]);
  std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
  mutableLine.push_back('\0');

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                      nullptr, &startup, &info)) {
    std::fprintf(stderr, "debugcapture: cannot start %s (error %lu)\n", argv[first], GetLastError());
    return kCannotRun;
  }
  const Handle process(info.hProcess);
  const Handle thread(info.hThread);

  DWORD exitCode = kCannotRun;
  for (;;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, INFINITE)) {
      std::fprintf(stderr, "debugcapture: WaitForDebugEvent failed (error %lu)\n", GetLastError());
      TerminateProcess(process.get(), kCannotRun);
      return kCannotRun;
    }
    DWORD status = DBG_CONTINUE;
    bool done = false;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile != nullptr) CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        const OUTPUT_DEBUG_STRING_INFO& text = event.u.DebugString;
        const std::size_t unit = text.fUnicode ? sizeof(wchar_t) : 1;
        const std::vector<char> bytes = ReadRemoteString(process.get(), text.lpDebugStringData, unit);
        const std::string utf8 = unit == 1 ? std::string(bytes.begin(), bytes.end()) : WideToUtf8(bytes);
        if (!WriteAll(out, utf8.data(), utf8.size())) {
          std::fprintf(stderr, "debugcapture: cannot write a text (error %lu)\n", GetLastError());
        }
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint at start is the debugger's own; every other
        // exception goes back to the program's handlers.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT ||
            !event.u.Exception.dwFirstChance) {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        if (event.dwProcessId == info.dwProcessId) {
          exitCode = event.u.ExitProcess.dwExitCode;
          done = true;
        }
        break;
      default:
        break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    if (done) break;
  }
  return static_cast<int>(exitCode);
}
