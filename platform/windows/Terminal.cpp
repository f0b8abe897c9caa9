#include "platform/Terminal.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

namespace platform {

bool IsTerminal(StandardStream stream) noexcept {
  const HANDLE handle = ::GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

int TerminalColumns() noexcept {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info) == 0) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// No relay here: every write goes straight to standard error.
StandardErrorRelay::StandardErrorRelay(Sink sink) : sink_(std::move(sink)) {}

void StandardErrorRelay::Stop() noexcept {}

void StandardErrorRelay::Write(std::string_view text) noexcept {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void StandardErrorRelay::Drain() noexcept {}

void StandardErrorRelay::Relay() noexcept {}

bool StandardErrorRelay::ReadAvailable(bool) noexcept { return false; }

}  // namespace platform
