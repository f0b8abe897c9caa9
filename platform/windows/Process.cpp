#include "platform/Process.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <new>
#include <type_traits>

namespace platform {

namespace {

struct SidDeleter {
  void operator()(PSID sid) const noexcept { ::FreeSid(sid); }
};
using SidHolder = std::unique_ptr<std::remove_pointer_t<PSID>, SidDeleter>;

struct LibraryDeleter {
  void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); }
};
using LibraryHolder = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryDeleter>;

using CheckTokenMembershipFunction = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);

}  // namespace

std::u16string OwnExecutablePath() {
  // GetModuleFileNameW cuts a path that does not fit and says so only by
  // filling the whole buffer: grow it until the path fits with room to spare.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return windows::FromWide(buffer);
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

void StartProgram(const std::u16string& program, const std::vector<std::u16string>& arguments) noexcept {
  try {
    if (program.empty()) return;
    std::wstring parameters;
    for (const auto& argument : arguments) {
      if (!parameters.empty()) parameters += L' ';
      parameters += L'"';
      parameters += windows::ToWide(argument);
      parameters += L'"';
    }
    // Fire and forget: the result is not examined and nothing is waited for.
    (void)::ShellExecuteW(nullptr, L"open", windows::ToWide(program).c_str(),
                          parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
  } catch (const std::bad_alloc&) {
  }
}

bool IsAdministrator() noexcept {
  try {
    // The built-in Administrators group: NT authority, sub-authorities
    // SECURITY_BUILTIN_DOMAIN_RID (32) and DOMAIN_ALIAS_RID_ADMINS (544).
    SID_IDENTIFIER_AUTHORITY ntAuthority = {{0, 0, 0, 0, 0, 5}};
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, 32, 544, 0, 0, 0, 0, 0, 0, &sid)) return false;
    const SidHolder administrators(sid);

    // Looked up at run time: older systems lack the entry.
    const LibraryHolder advapi(::LoadLibraryW(L"Advapi32.dll"));
    if (!advapi) return false;
    const auto check = reinterpret_cast<CheckTokenMembershipFunction>(
        reinterpret_cast<void*>(::GetProcAddress(advapi.get(), "CheckTokenMembership")));
    if (check == nullptr) return false;

    // No token: the calling thread's effective token.
    BOOL member = FALSE;
    if (!check(nullptr, administrators.get(), &member)) member = FALSE;
    return member != FALSE;
  } catch (...) {
    return false;
  }
}

}  // namespace platform
