// The debugger-output channel.
//
// Windows: OutputDebugStringA. Linux has no debugger-output channel, so lines
// go to standard error, each with a single write so that lines written by
// several threads never interleave.
#pragma once

#include <cstddef>

namespace platform {

// Writes `length` bytes of `text` as one line. `text[length]` must be the
// terminating NUL (Windows hands the text over as a C string).
void WriteDebugLine(const char* text, std::size_t length) noexcept;

}  // namespace platform
