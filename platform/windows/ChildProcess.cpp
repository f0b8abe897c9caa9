// Starting a program through the shell and waiting for its process.
#include "platform/Process.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <new>
#include <string>
#include <utility>

namespace platform {

namespace {

// The id holds the process handle.
HANDLE HandleOf(long long id) { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(id)); }
long long IdOf(HANDLE handle) { return static_cast<long long>(reinterpret_cast<std::intptr_t>(handle)); }

}  // namespace

ChildProcess::~ChildProcess() {
  if (id_ != 0) ::CloseHandle(HandleOf(id_));
}

void ChildProcess::Wait() noexcept {
  if (id_ == 0) return;
  const HANDLE process = HandleOf(id_);
  id_ = 0;
  (void)::WaitForSingleObject(process, INFINITE);
  ::CloseHandle(process);
}

ChildProcess StartChildProcess(const std::u16string& file, const std::u16string& parameters) noexcept {
  try {
    const std::wstring fileText = windows::ToWide(file);
    const std::wstring parameterText = windows::ToWide(parameters);
    SHELLEXECUTEINFOW info;
    ::ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    // The process handle comes back; the shell stays free to report a failed
    // start itself (no SEE_MASK_FLAG_NO_UI).
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = fileText.c_str();
    info.lpParameters = parameterText.empty() ? nullptr : parameterText.c_str();
    info.nShow = SW_SHOW;
    if (!::ShellExecuteExW(&info)) return {};
    // A start through a running program (a document handed to an open
    // application) gives no process: there is nothing to wait for.
    return ChildProcess(IdOf(info.hProcess));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace platform
