// Loading shared libraries at run time.
//
// A module handle is opaque to the rest of the tree; null means "not loaded".
// Linux: dlopen/dlsym/dlclose. Windows: LoadLibraryA or LoadLibraryW /
// GetProcAddress / FreeLibrary.
#pragma once

#include <string>

namespace platform {

using ModuleHandle = void*;

// One entry of a library that is known both by ordinal and by name. Windows
// looks it up by ordinal (libraries may export it by ordinal only); Linux has
// no ordinals and looks it up by name.
struct ModuleEntryId {
  unsigned ordinal;
  const char* name;
};

// Loads a library by file name (the platform's usual search applies) or by
// path. The name is 8-bit text handed to the platform unchanged. Returns null
// when the library cannot be loaded.
ModuleHandle LoadModule(const char* name) noexcept;

// Loads a library from a full path given as UTF-16 text. Returns null when
// the library cannot be loaded (the path is empty, names no library, or the
// library's own dependencies are missing).
ModuleHandle LoadModuleFromPath(const std::u16string& path) noexcept;

// Address of the entry called `name`, or null when the module has none.
void* FindModuleEntry(ModuleHandle module, const char* name) noexcept;

// Address of the entry `entry`, found by ordinal where the platform has
// ordinals and by name otherwise; null when the module has none.
void* FindModuleEntryByOrdinal(ModuleHandle module, const ModuleEntryId& entry) noexcept;

// Releases one load of the module. A null handle is ignored.
void FreeModule(ModuleHandle module) noexcept;

}  // namespace platform
