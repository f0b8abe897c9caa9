// The debugger-output channel.
//
// Windows: OutputDebugStringA, for every line. Linux has no debugger-output
// channel: lines go to standard error, chosen by the environment variable
// METASCOPE_TRACE, read at every line (unset or "errors": error lines only;
// "all": error and debug lines; "none": nothing; any other value counts as
// "errors"). On Linux a line is written with writev under a process-wide lock,
// so lines of several threads never interleave whatever their length, and
// SIGPIPE is blocked around the write, so a broken standard error never ends
// the host; such write errors are ignored.
#pragma once

#include <cstddef>

namespace platform {

// One piece of a line; the pieces of a line are written together, in order.
struct DebugLinePiece {
  const char* data;
  std::size_t size;
};

// The most pieces one line may have.
inline constexpr std::size_t kMaxDebugLinePieces = 8;

// Writes `count` pieces (at most kMaxDebugLinePieces) as one line. Nothing is
// copied on the stack; on Windows the joined text is made on the heap.
void WriteDebugLine(const DebugLinePiece* pieces, std::size_t count) noexcept;

enum class DebugLineKind { Error, Debug };

// Whether a line of this kind would be written now.
bool DebugLineWanted(DebugLineKind kind) noexcept;

}  // namespace platform
