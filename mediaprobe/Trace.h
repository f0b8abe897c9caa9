// Diagnostic lines on the debugger output.
//
//   error = MediaInfo: <message>  from file <.\libMetaScopeSDK>, line <n>.
//   debug =  MediaInfo: <text>  from file <.\libMetaScopeSDK>, line 308.
//
// Each line is formatted into a buffer of its own call and written at once. A
// line longer than the buffer is cut to fit and still ends with a line feed.
#pragma once

#include <cstddef>

namespace metascope {

inline constexpr std::size_t kTraceBufferSize = 102400;
inline constexpr int kDebugLineNumber = 308;

void TraceError(const char* message, int line) noexcept;
void TraceDebug(const char* text) noexcept;

// Formats a line into `buffer` (kTraceBufferSize bytes) and returns its length
// without the terminating NUL, which always follows it.
std::size_t FormatErrorLine(char* buffer, const char* message, int line) noexcept;
std::size_t FormatDebugLine(char* buffer, const char* text) noexcept;

}  // namespace metascope
