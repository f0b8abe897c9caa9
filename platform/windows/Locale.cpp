#include "platform/Locale.h"

#include <clocale>

namespace platform {

void AdoptUserLocale() noexcept {
  // 8-bit paths on Windows are in the ANSI code page, which the user's
  // locale names; nothing else to adjust.
  if (std::setlocale(LC_ALL, "") == nullptr) std::setlocale(LC_ALL, "C");
}

// 8-bit file names are in the ANSI code page, the contract of every 8-bit
// interface of the system: there is nothing to choose or to switch.
NameConversion ChooseNameConversion(const char*) noexcept { return NameConversion::Host; }

ScopedNameConversion::ScopedNameConversion(NameConversion) noexcept {}

ScopedNameConversion::~ScopedNameConversion() = default;

}  // namespace platform
