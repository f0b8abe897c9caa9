#include "platform/DebugOutput.h"

#include <cstdlib>
#include <cstring>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {
namespace {

// Joins the pieces into `out` (room for `capacity` bytes with the NUL); a
// line that does not fit is cut and still ends with its last piece's end.
void Join(const DebugLinePiece* pieces, std::size_t count, char* out, std::size_t capacity) noexcept {
  std::size_t used = 0;
  for (std::size_t i = 0; i < count && used + 1 < capacity; ++i) {
    std::size_t size = pieces[i].size;
    if (size > capacity - 1 - used) size = capacity - 1 - used;
    std::memcpy(out + used, pieces[i].data, size);
    used += size;
  }
  out[used] = '\0';
}

}  // namespace

void WriteDebugLine(const DebugLinePiece* pieces, std::size_t count) noexcept {
  if (count > kMaxDebugLinePieces) count = kMaxDebugLinePieces;
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) length += pieces[i].size;

  // OutputDebugStringA takes one C string: the line is joined on the heap.
  if (char* text = static_cast<char*>(std::malloc(length + 1))) {
    Join(pieces, count, text, length + 1);
    ::OutputDebugStringA(text);
    std::free(text);
    return;
  }
  // Without heap (error lines often report exactly that) a short start of the
  // line still goes out.
  char shortLine[256];
  Join(pieces, count, shortLine, sizeof shortLine);
  ::OutputDebugStringA(shortLine);
}

bool DebugLineWanted(DebugLineKind) noexcept { return true; }

}  // namespace platform
