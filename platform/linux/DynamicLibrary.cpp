#include "platform/DynamicLibrary.h"

#include "platform/TextEncoding.h"

#include <dlfcn.h>

#include <new>

namespace platform {

ModuleHandle LoadModule(const char* name) noexcept {
  if (name == nullptr || *name == '\0') return nullptr;
  // RTLD_LOCAL keeps the library's symbols out of the host's global scope;
  // RTLD_NOW makes a library with unresolvable dependencies fail here rather
  // than at the first call.
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

ModuleHandle LoadCompanionModule(const char* name) noexcept {
  // dlopen looks in the current folder only when told to by a relative path
  // (a name with a slash) or by an empty or relative entry of the search
  // path the environment or the caller's RPATH sets.
  return LoadModule(name);
}

ModuleHandle LoadModuleFromPath(const std::u16string& path) noexcept {
  try {
    // A name without a slash would make dlopen search the library path; a
    // full path never does.
    const std::string native = Utf8FromUtf16(path);
    if (native.find('/') == std::string::npos) return nullptr;
    return LoadModule(native.c_str());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* FindModuleEntry(ModuleHandle module, const char* name) noexcept {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

void* FindModuleEntryByOrdinal(ModuleHandle module, const ModuleEntryId& entry) noexcept {
  return FindModuleEntry(module, entry.name);
}

void FreeModule(ModuleHandle module) noexcept {
  if (module != nullptr) dlclose(module);
}

}  // namespace platform
