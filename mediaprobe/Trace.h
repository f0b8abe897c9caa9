// Diagnostic lines on the debugger output.
//
//   error = MediaInfo: <message>  from file <.\libMetaScopeSDK>, line <n>.
//   debug =  MediaInfo: <text>  from file <.\libMetaScopeSDK>, line 308.
//
// A line is handed to the output as the pieces it is made of, without being
// copied into a buffer: the library also runs on threads with small stacks.
// A line longer than kLongestTraceLine bytes is cut to that length and still
// ends with a line feed.
#pragma once

#include <cstddef>

#include "platform/DebugOutput.h"

namespace metascope {

inline constexpr std::size_t kLongestTraceLine = 102399;
inline constexpr int kDebugLineNumber = 308;

// One line as its pieces. The pieces point into the texts given and into the
// line itself, so it is neither copied nor moved.
class TraceLine {
 public:
  static TraceLine Error(const char* message, int line) noexcept;
  static TraceLine Debug(const char* text) noexcept;
  TraceLine(const TraceLine&) = delete;
  TraceLine& operator=(const TraceLine&) = delete;

  const platform::DebugLinePiece* pieces() const noexcept { return pieces_; }
  std::size_t count() const noexcept { return count_; }
  std::size_t size() const noexcept { return size_; }

 private:
  TraceLine(const char* head, const char* text, int line) noexcept;
  void Add(const char* data, std::size_t size) noexcept;
  void CutToLongest() noexcept;

  char number_[16];
  platform::DebugLinePiece pieces_[platform::kMaxDebugLinePieces];
  std::size_t count_ = 0;
  std::size_t size_ = 0;
};

void TraceError(const char* message, int line) noexcept;
void TraceDebug(const char* text) noexcept;

// Whether a debug line would be written now; when not, there is no need to
// make its text.
bool DebugTraceWanted() noexcept;

}  // namespace metascope
