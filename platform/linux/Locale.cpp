#include "platform/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <cwchar>

namespace platform {

void AdoptUserLocale() noexcept {
  if (std::setlocale(LC_ALL, "") == nullptr) std::setlocale(LC_ALL, "C");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

namespace {

constexpr const char* kUtf8LocaleName = "C.UTF-8";

// C.UTF-8's character type, made once and only read afterwards (a locale
// object may be used by several threads at once); null when the system has
// no such locale.
class Utf8Locale {
 public:
  Utf8Locale() noexcept : locale_(newlocale(LC_CTYPE_MASK, kUtf8LocaleName, static_cast<locale_t>(0))) {}
  ~Utf8Locale() {
    if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
  }
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;
  locale_t get() const noexcept { return locale_; }

 private:
  locale_t locale_;
};

locale_t SharedUtf8Locale() noexcept {
  static const Utf8Locale locale;
  return locale.get();
}

// True when the calling thread's locale reads every character of `name` and
// writes each back as the same bytes, so that a conversion to wide
// characters and back (what a library does between taking a name and
// opening the file) hands the system the caller's bytes. Character by
// character, with no allocation; the locales of this system have no shift
// states.
bool ConvertsUnchanged(const char* name) noexcept {
  // Every locale of this system reads ASCII as itself: the check starts at
  // the first other byte, and the usual all-ASCII name needs none.
  const char* p = name;
  while (*p != '\0' && static_cast<unsigned char>(*p) < 0x80) ++p;
  std::mbstate_t in{};
  std::mbstate_t out{};
  std::size_t left = std::strlen(p);
  while (left > 0) {
    wchar_t wide = 0;
    const std::size_t read = std::mbrtowc(&wide, p, left, &in);
    if (read == static_cast<std::size_t>(-1) || read == static_cast<std::size_t>(-2) || read == 0) return false;
    char back[MB_LEN_MAX];
    const std::size_t written = std::wcrtomb(back, wide, &out);
    if (written != read || std::memcmp(back, p, read) != 0) return false;
    p += read;
    left -= read;
  }
  return true;
}

}  // namespace

NameConversion ChooseNameConversion(const char* name) noexcept {
  if (name == nullptr || ConvertsUnchanged(name)) return NameConversion::Host;
  const locale_t utf8 = SharedUtf8Locale();
  if (utf8 == static_cast<locale_t>(0)) return NameConversion::Host;
  const locale_t previous = uselocale(utf8);
  const bool readable = ConvertsUnchanged(name);
  uselocale(previous);
  return readable ? NameConversion::Utf8 : NameConversion::Host;
}

ScopedNameConversion::ScopedNameConversion(NameConversion conversion) noexcept {
  if (conversion != NameConversion::Utf8) return;
  // Only the character type changes: the thread's other categories (numbers,
  // messages ...) are copied from the locale it has now, the global one
  // included.
  const locale_t current = uselocale(static_cast<locale_t>(0));
  const locale_t copy = duplocale(current);
  if (copy == static_cast<locale_t>(0)) return;
  const locale_t own = newlocale(LC_CTYPE_MASK, kUtf8LocaleName, copy);
  if (own == static_cast<locale_t>(0)) {
    freelocale(copy);
    return;
  }
  previous_ = uselocale(own);
  own_ = own;
}

ScopedNameConversion::~ScopedNameConversion() {
  if (own_ == nullptr) return;
  uselocale(static_cast<locale_t>(previous_));
  freelocale(static_cast<locale_t>(own_));
}

}  // namespace platform
