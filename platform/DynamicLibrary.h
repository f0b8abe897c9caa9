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

// Loads a library that the calling code loads for its own use, named by file
// name alone, from where such a library belongs and nowhere else.
// Windows: by full path, from the folder of the module that holds this code
// (the DLL it is built into, or the program it is linked into), then from
// the host program's folder, then from the system folder; never from the
// current folder or along PATH. The library's own imports are looked for in
// its folder and the system folder only.
// Linux: the dynamic loader's search (RPATH, LD_LIBRARY_PATH, RUNPATH, the
// loader's cache and the system folders; never the current folder by itself).
// A name with a folder in it is loaded from that path only. Returns null when
// the library is found nowhere or cannot be loaded.
ModuleHandle LoadCompanionModule(const char* name) noexcept;

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
