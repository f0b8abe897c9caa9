#include "Trace.h"

#include <charconv>
#include <cstring>

namespace metascope {
namespace {

constexpr const char kErrorHead[] = "error = MediaInfo: ";
constexpr const char kDebugHead[] = "debug =  MediaInfo: ";
constexpr const char kSourceTail[] = "  from file <.\\libMetaScopeSDK>, line ";
constexpr const char kLineEnd[] = ".\n";

}  // namespace

TraceLine TraceLine::Error(const char* message, int line) noexcept { return TraceLine(kErrorHead, message, line); }

TraceLine TraceLine::Debug(const char* text) noexcept { return TraceLine(kDebugHead, text, kDebugLineNumber); }

TraceLine::TraceLine(const char* head, const char* text, int line) noexcept {
  const std::to_chars_result number = std::to_chars(number_, number_ + sizeof number_, line);
  Add(head, std::strlen(head));
  Add(text != nullptr ? text : "", text != nullptr ? std::strlen(text) : 0);
  Add(kSourceTail, sizeof kSourceTail - 1);
  Add(number_, static_cast<std::size_t>(number.ptr - number_));
  Add(kLineEnd, sizeof kLineEnd - 1);
  if (size_ > kLongestTraceLine) CutToLongest();
}

void TraceLine::Add(const char* data, std::size_t size) noexcept {
  pieces_[count_++] = {data, size};
  size_ += size;
}

// Keeps the first kLongestTraceLine - 1 bytes and ends them with a line feed.
void TraceLine::CutToLongest() noexcept {
  std::size_t room = kLongestTraceLine - 1;
  std::size_t kept = 0;
  while (kept < count_ && room > 0) {
    if (pieces_[kept].size > room) pieces_[kept].size = room;
    room -= pieces_[kept].size;
    ++kept;
  }
  count_ = kept;
  Add(kLineEnd + 1, 1);
  size_ = kLongestTraceLine;
}

void TraceError(const char* message, int line) noexcept {
  if (!platform::DebugLineWanted(platform::DebugLineKind::Error)) return;
  const TraceLine traceLine = TraceLine::Error(message, line);
  platform::WriteDebugLine(traceLine.pieces(), traceLine.count());
}

void TraceDebug(const char* text) noexcept {
  if (!DebugTraceWanted()) return;
  const TraceLine traceLine = TraceLine::Debug(text);
  platform::WriteDebugLine(traceLine.pieces(), traceLine.count());
}

bool DebugTraceWanted() noexcept { return platform::DebugLineWanted(platform::DebugLineKind::Debug); }

}  // namespace metascope
