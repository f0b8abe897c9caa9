// Conversion between UTF-16 (the launcher's text) and 8-bit UTF-8 (the text of
// Linux system calls, file names and logs).
//
// File names and command-line arguments on Linux are byte strings that need
// not be valid UTF-8. So that every such string survives a trip through
// UTF-16 unchanged, a byte that is not part of a well-formed UTF-8 sequence
// becomes the lone low surrogate U+DC80 to U+DCFF (0x80 to 0xFF; 0x00 to 0x7F
// are always well-formed), and converting back turns exactly those units into
// the original bytes again. Any other lone surrogate in UTF-16 text becomes
// U+FFFD. Plain portable code: used at the Linux edge of platform/ and by the
// stand-ins.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

// The code points of UTF-16 text, for drawing it: a surrogate pair is one
// code point, any lone surrogate is U+FFFD.
std::u32string CodePointsFromUtf16(std::u16string_view text);

}  // namespace platform
