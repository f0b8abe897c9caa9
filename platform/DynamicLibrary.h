// Loading shared libraries at run time.
//
// A module handle is opaque to the rest of the tree; null means "not loaded".
// Linux: dlopen/dlsym/dlclose. Windows: LoadLibraryA/GetProcAddress/FreeLibrary.
#pragma once

namespace platform {

using ModuleHandle = void*;

// Loads a library by file name (the platform's usual search applies) or by
// path. The name is 8-bit text handed to the platform unchanged. Returns null
// when the library cannot be loaded.
ModuleHandle LoadModule(const char* name) noexcept;

// Address of the entry called `name`, or null when the module has none.
void* FindModuleEntry(ModuleHandle module, const char* name) noexcept;

// Releases one load of the module. A null handle is ignored.
void FreeModule(ModuleHandle module) noexcept;

}  // namespace platform
