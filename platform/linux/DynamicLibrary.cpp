#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

ModuleHandle LoadModule(const char* name) noexcept {
  if (name == nullptr || *name == '\0') return nullptr;
  // RTLD_LOCAL keeps the library's symbols out of the host's global scope;
  // RTLD_NOW makes a library with unresolvable dependencies fail here rather
  // than at the first call.
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* FindModuleEntry(ModuleHandle module, const char* name) noexcept {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

void FreeModule(ModuleHandle module) noexcept {
  if (module != nullptr) dlclose(module);
}

}  // namespace platform
