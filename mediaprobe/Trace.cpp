#include "Trace.h"

#include <cstdio>

#include "platform/DebugOutput.h"

namespace metascope {
namespace {

constexpr const char* kSourceName = ".\\libMetaScopeSDK";

// Length of what snprintf left in the buffer. When the line did not fit, the
// text has been cut; its last character becomes the line feed again.
std::size_t FinishLine(char* buffer, int formatted) noexcept {
  if (formatted < 0) {
    buffer[0] = '\0';
    return 0;
  }
  const auto wanted = static_cast<std::size_t>(formatted);
  if (wanted < kTraceBufferSize) return wanted;
  const std::size_t length = kTraceBufferSize - 1;
  buffer[length - 1] = '\n';
  buffer[length] = '\0';
  return length;
}

// The buffer is per call and on the stack: error lines are mostly written
// because the heap failed, so they must not depend on it.
template <typename Format>
void WriteLine(Format format) noexcept {
  char buffer[kTraceBufferSize];
  const std::size_t length = format(buffer);
  if (length > 0) platform::WriteDebugLine(buffer, length);
}

}  // namespace

std::size_t FormatErrorLine(char* buffer, const char* message, int line) noexcept {
  const int n = std::snprintf(buffer, kTraceBufferSize,
                              "error = MediaInfo: %s  from file <%s>, line %i.\n",
                              message != nullptr ? message : "", kSourceName, line);
  return FinishLine(buffer, n);
}

std::size_t FormatDebugLine(char* buffer, const char* text) noexcept {
  const int n = std::snprintf(buffer, kTraceBufferSize,
                              "debug =  MediaInfo: %s  from file <%s>, line %i.\n",
                              text != nullptr ? text : "", kSourceName, kDebugLineNumber);
  return FinishLine(buffer, n);
}

void TraceError(const char* message, int line) noexcept {
  WriteLine([&](char* buffer) { return FormatErrorLine(buffer, message, line); });
}

void TraceDebug(const char* text) noexcept {
  WriteLine([&](char* buffer) { return FormatDebugLine(buffer, text); });
}

}  // namespace metascope
