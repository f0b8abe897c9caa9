// Locales: the process locale of a program, and the character conversion
// that a library applies to file names on behalf of its host.
#pragma once

namespace platform {

// Takes the user's locale from the environment, as a desktop program should.
// Linux file names are UTF-8 whatever the locale says: when the user's
// character type is not UTF-8 (a bare "C" or "POSIX" environment), character
// handling switches to C.UTF-8 so that libraries converting 8-bit paths with
// the locale (MediaInfo does) read UTF-8 names correctly.
// For programs only: a library never changes its host's process locale.
void AdoptUserLocale() noexcept;

// How a library that converts 8-bit file names with the calling thread's
// locale (MediaInfo does, both ways: the name it is given, and the names in
// the texts it answers) is to convert one name.
enum class NameConversion : unsigned char {
  // The thread's own locale reads the name and writes it back unchanged:
  // nothing is switched.
  Host,
  // The thread's locale cannot read the name but UTF-8 can (a host that
  // runs in the "C" locale, the start-up locale of every program): the
  // conversion is done as UTF-8.
  Utf8,
};

// Chooses the conversion for `name` as the calling thread's locale stands
// now. A name that no conversion reads unchanged (bytes valid in no
// character set) gets Host. Windows: always Host (8-bit names there are in
// the ANSI code page, which no locale of ours changes). Null reads as empty.
NameConversion ChooseNameConversion(const char* name) noexcept;

// While it lives, the calling thread converts characters as `conversion`
// says; at its end the thread's locale is the one it had before. The process
// locale (setlocale) is never touched, nor the locale of any other thread.
// Host changes nothing. Construct and destroy on the same thread.
class ScopedNameConversion {
 public:
  explicit ScopedNameConversion(NameConversion conversion) noexcept;
  ~ScopedNameConversion();
  ScopedNameConversion(const ScopedNameConversion&) = delete;
  ScopedNameConversion& operator=(const ScopedNameConversion&) = delete;

 private:
  void* previous_ = nullptr;  // the thread's locale to go back to
  void* own_ = nullptr;       // the locale switched to, owned; null: nothing switched
};

}  // namespace platform
