#include "platform/DynamicLibrary.h"

#include "platform/windows/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// <windows.h> keeps a 16-bit era macro of this name.
#undef FreeModule

#include <iterator>
#include <new>
#include <string>

namespace platform {
namespace {

// The full path of a loaded module, or empty. GetModuleFileNameW cuts a path
// that does not fit and says so only by filling the whole buffer: grow it
// until the path fits with room to spare.
std::wstring ModulePath(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

// The folder part of a path, up to and including its last separator; empty
// when it has none.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t end = path.find_last_of(L"\\/:");
  return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

// Any address inside this module's image will do to find the module.
const char kAddressInThisModule = 0;

// The module that holds this code: the DLL this file is built into, or the
// program that links it statically.
HMODULE ThisModule() noexcept {
  HMODULE module = nullptr;
  const auto address = reinterpret_cast<LPCWSTR>(&kAddressInThisModule);
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            address, &module)) {
    return nullptr;
  }
  return module;
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  std::wstring folder(buffer, length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

// Loads the library at `path`, its own imports looked for beside it and in
// the system folder only. Windows before the search flags (7 without its
// update) refuses them as an invalid parameter; it then gets the search
// that starts in the library's folder.
HMODULE LoadFullPath(const std::wstring& path) noexcept {
  HMODULE module =
      ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return module;
}

// An 8-bit name in the ANSI code page as UTF-16; empty when it is not one.
std::wstring WideName(const char* name) {
  const int size = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
  if (size <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

}  // namespace

ModuleHandle LoadModule(const char* name) noexcept {
  if (name == nullptr || *name == '\0') return nullptr;
  return ::LoadLibraryA(name);
}

ModuleHandle LoadCompanionModule(const char* name) noexcept {
  try {
    if (name == nullptr || *name == '\0') return nullptr;
    const std::wstring file = WideName(name);
    if (file.empty()) return nullptr;
    if (file.find_first_of(L"\\/:") != std::wstring::npos) return LoadFullPath(file);
    const std::wstring folders[] = {FolderOf(ModulePath(ThisModule())), FolderOf(ModulePath(nullptr)),
                                    SystemFolder()};
    for (std::size_t i = 0; i < std::size(folders); ++i) {
      const std::wstring& folder = folders[i];
      // A folder that could not be found is skipped (never a bare name,
      // which would be searched for), and so is one already tried.
      if (folder.empty()) continue;
      bool tried = false;
      for (std::size_t j = 0; j < i; ++j) tried = tried || ::lstrcmpiW(folders[j].c_str(), folder.c_str()) == 0;
      if (tried) continue;
      if (HMODULE module = LoadFullPath(folder + file)) return module;
    }
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
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
