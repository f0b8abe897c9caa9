#include "platform/DebugOutput.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

void WriteDebugLine(const char* text, std::size_t length) noexcept {
  // One write per line; a short write (a full pipe, a signal) goes on with
  // the rest rather than losing it.
  while (length > 0) {
    const ssize_t written = ::write(STDERR_FILENO, text, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

}  // namespace platform
