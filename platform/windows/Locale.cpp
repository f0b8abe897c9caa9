#include "platform/Locale.h"

#include <clocale>

namespace platform {

void AdoptUserLocale() noexcept {
  // 8-bit paths on Windows are in the ANSI code page, which the user's
  // locale names; nothing else to adjust.
  if (std::setlocale(LC_ALL, "") == nullptr) std::setlocale(LC_ALL, "C");
}

}  // namespace platform
