#include "platform/Locale.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace platform {

void AdoptUserLocale() noexcept {
  if (std::setlocale(LC_ALL, "") == nullptr) std::setlocale(LC_ALL, "C");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

}  // namespace platform
