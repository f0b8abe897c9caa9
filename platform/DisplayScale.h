// The display scale of the Linux window system, from the settings a desktop
// leaves for its programs. Portable: the window system reads the settings,
// this decides.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What each source holds, or nothing when it is not set.
struct DisplayScaleSources {
  std::optional<std::string> vidorraScale;  // $VIDORRA_SCALE: a number, such as 1.5
  std::optional<std::string> gdkScale;      // $GDK_SCALE: a whole number, as GTK takes it
  std::optional<std::string> xftDpi;        // the X resource Xft.dpi: dots per inch (96 = 1)
};

// The scale the first usable source gives, in this order: VIDORRA_SCALE,
// GDK_SCALE, Xft.dpi / 96; 1 when none is usable. A value is usable when it
// is a finite number above zero (for GDK_SCALE a whole number), written in
// the C locale's way and nothing else beside it but blanks; any other value
// is skipped and the next source tried. The result is not limited to any
// range (the user interface takes it as 1 to 3).
double DisplayScaleFrom(const DisplayScaleSources& sources);

// `text` as a finite number above zero (`whole`: a whole number), with
// blanks around it allowed; nothing otherwise.
std::optional<double> PositiveNumber(std::string_view text, bool whole);

}  // namespace platform
