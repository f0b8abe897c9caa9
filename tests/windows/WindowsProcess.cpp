#include "WindowsProcess.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>
#include <type_traits>

namespace testing_support {

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const noexcept {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct SidDeleter {
  void operator()(PSID sid) const noexcept { ::FreeSid(sid); }
};

Handle InheritableFile(const std::wstring& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::string ReadWhole(const std::wstring& path) {
  // Through the stream buffer rather than istreambuf_iterator, whose inlined
  // code GCC 12 warns about at -O3 (-Wnull-dereference, a false positive).
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A primary token like the caller's, with the Administrators group marked
// for deny only.
Handle TokenWithoutAdministrators() {
  HANDLE own = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_QUERY, &own))
    return nullptr;
  const Handle ownToken(own);
  SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
  PSID sid = nullptr;
  if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid))
    return nullptr;
  const std::unique_ptr<void, SidDeleter> administrators(sid);
  SID_AND_ATTRIBUTES disabled{administrators.get(), 0};
  HANDLE restricted = nullptr;
  if (!::CreateRestrictedToken(ownToken.get(), 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted))
    return nullptr;
  return Handle(restricted);
}

}  // namespace

TWindowsChildResult RunWindowsChild(const std::wstring& program, const std::wstring& commandLine,
                                    const std::wstring& scratchFolder, bool withoutAdministrators,
                                    unsigned long timeoutMs) {
  TWindowsChildResult result;
  const std::wstring outPath = scratchFolder + L"\\child-out.txt";
  const std::wstring errPath = scratchFolder + L"\\child-err.txt";
  {
    const Handle out = InheritableFile(outPath);
    const Handle err = InheritableFile(errPath);
    if (!out || !err) return result;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;  // CreateProcess may write into it
    BOOL created = FALSE;
    if (withoutAdministrators) {
      const Handle token = TokenWithoutAdministrators();
      if (!token) return result;
      created = ::CreateProcessAsUserW(token.get(), program.c_str(), line.data(), nullptr, nullptr,
                                       TRUE, 0, nullptr, scratchFolder.c_str(), &startup, &process);
    } else {
      created = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 scratchFolder.c_str(), &startup, &process);
    }
    if (!created) return result;
    result.started = true;
    const Handle child(process.hProcess);
    const Handle thread(process.hThread);
    if (::WaitForSingleObject(child.get(), timeoutMs) == WAIT_OBJECT_0) {
      result.ended = true;
    } else {
      ::TerminateProcess(child.get(), 259);
      ::WaitForSingleObject(child.get(), 10000);
    }
    DWORD code = 0;
    if (::GetExitCodeProcess(child.get(), &code)) result.exitCode = code;
  }
  result.out = ReadWhole(outPath);
  result.err = ReadWhole(errPath);
  return result;
}

}  // namespace testing_support
