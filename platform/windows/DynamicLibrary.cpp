#include "platform/DynamicLibrary.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// <windows.h> keeps a 16-bit era macro of this name.
#undef FreeModule

#include <new>

namespace platform {

ModuleHandle LoadModule(const char* name) noexcept {
  if (name == nullptr || *name == '\0') return nullptr;
  return ::LoadLibraryA(name);
}

ModuleHandle LoadModuleFromPath(const std::u16string& path) noexcept {
  try {
    // A bare name would be searched for along the DLL search path; only a
    // path with a folder in it is loaded.
    if (path.find_first_of(u"\\/:") == std::u16string::npos) return nullptr;
    return ::LoadLibraryW(windows::ToWide(path).c_str());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* FindModuleEntry(ModuleHandle module, const char* name) noexcept {
  if (module == nullptr || name == nullptr) return nullptr;
  // GetProcAddress answers with a generic function pointer; callers cast the
  // address to the entry's real type.
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void* FindModuleEntryByOrdinal(ModuleHandle module, const ModuleEntryId& entry) noexcept {
  // An ordinal travels in the low word of the name pointer, the high word zero.
  if (module == nullptr || entry.ordinal == 0 || entry.ordinal > 0xFFFF) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(
      static_cast<HMODULE>(module), MAKEINTRESOURCEA(static_cast<WORD>(entry.ordinal))));
}

void FreeModule(ModuleHandle module) noexcept {
  if (module != nullptr) ::FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace platform
