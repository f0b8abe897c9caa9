// The process locale of a program (never of a library: libraries leave the
// host's locale alone).
#pragma once

namespace platform {

// Takes the user's locale from the environment, as a desktop program should.
// Linux file names are UTF-8 whatever the locale says: when the user's
// character type is not UTF-8 (a bare "C" or "POSIX" environment), character
// handling switches to C.UTF-8 so that libraries converting 8-bit paths with
// the locale (MediaInfo does) read UTF-8 names correctly.
void AdoptUserLocale() noexcept;

}  // namespace platform
