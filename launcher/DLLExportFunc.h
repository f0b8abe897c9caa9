// The update-service library's entries and the form in which texts cross its
// interface.
//
// Entries 1 (UpdateServiceStart) and 11 (InstallUpdateCheck) are bound when
// the launcher process loads: without the library, or without either entry,
// the process does not start. Entry 12 (RemoveUpdateCheck) is looked up at run
// time. Windows imports them by ordinal (stdcall on 32-bit); Linux links them
// by name, the library found beside the launcher.
//
// A text argument points at the first UTF-16 unit of a NUL-terminated text
// whose length in UTF-16 units stands as an int32_t immediately before it; the
// empty text is a null pointer. UpdateServiceStart's result slot holds null on
// entry; the library leaves there a text of that form that it owns and keeps
// valid at least until its next call. Every entry returns an int32_t that the
// launcher does not use.
#pragma once

#include "platform/DynamicLibrary.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#define TAVREL_CALL __stdcall
#define TAVREL_ENTRY
#else
#define TAVREL_CALL
#define TAVREL_ENTRY __attribute__((visibility("default")))
#endif

extern "C" {

// Entry 1: decides what this run of the launcher does; leaves the action word
// in *actionSlot.
TAVREL_ENTRY std::int32_t TAVREL_CALL UpdateServiceStart(
    char16_t** actionSlot, void* application, const char16_t* serverUrl, const char16_t* vendorCode,
    const char16_t* productId, const char16_t* productVersion, const char16_t* argument1,
    const char16_t* argument3, const char16_t* argument4);

// Entry 11: sets up the periodic update check for `programPath`.
TAVREL_ENTRY std::int32_t TAVREL_CALL InstallUpdateCheck(const char16_t* programPath,
                                                         const char16_t* taskName,
                                                         const char16_t* taskDescription,
                                                         std::int32_t interval);

// Entry 12: removes the periodic update check installed under `taskName`.
TAVREL_ENTRY std::int32_t TAVREL_CALL RemoveUpdateCheck(const char16_t* taskName);

}  // extern "C"

namespace launcher {

using TRemoveUpdateCheck = std::int32_t(TAVREL_CALL*)(const char16_t* taskName);

inline constexpr platform::ModuleEntryId RemoveUpdateCheckEntry{12, "RemoveUpdateCheck"};

// A text in the form the library takes; owns its storage. Pointer() is null
// for the empty text and stays valid for the object's life.
class TLibraryText {
 public:
  explicit TLibraryText(std::u16string_view text);
  const char16_t* Pointer() const noexcept;

 private:
  // Two units holding the int32_t length, the text, then the NUL.
  std::vector<char16_t> buffer_;
};

// Copies a text in the library's form. A null pointer and a length below 1
// give the empty text.
std::u16string CopyLibraryText(const char16_t* text);

}  // namespace launcher
