#include "platform/DynamicLibrary.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// <windows.h> keeps a 16-bit era macro of this name.
#undef FreeModule

namespace platform {

ModuleHandle LoadModule(const char* name) noexcept {
  if (name == nullptr || *name == '\0') return nullptr;
  return ::LoadLibraryA(name);
}

void* FindModuleEntry(ModuleHandle module, const char* name) noexcept {
  if (module == nullptr || name == nullptr) return nullptr;
  // GetProcAddress answers with a generic function pointer; callers cast the
  // address to the entry's real type.
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void FreeModule(ModuleHandle module) noexcept {
  if (module != nullptr) ::FreeLibrary(static_cast<HMODULE>(module));
}

}  // namespace platform
