#include "platform/RunningMark.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

namespace {

// "Global\": the setup program runs elevated, in the user's session or
// another one (a second user on the same machine); a launcher in any session
// keeps the same installed files in use.
constexpr const wchar_t* kRunningMarkName = L"Global\\VidorraMain";

}  // namespace

RunningMark::RunningMark() noexcept {
  // Opens the mutex when another launcher made it already; no ownership is
  // taken, the name's existence is the mark.
  handle_ = ::CreateMutexW(nullptr, FALSE, kRunningMarkName);
}

RunningMark::~RunningMark() {
  if (handle_ != nullptr) ::CloseHandle(static_cast<HANDLE>(handle_));
}

}  // namespace platform
