#include "platform/DebugOutput.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

void WriteDebugLine(const char* text, std::size_t /*length*/) noexcept {
  // The text is NUL-terminated at `length`; the debugger output takes it whole.
  ::OutputDebugStringA(text);
}

}  // namespace platform
