#include "MediaInfoBinding.h"

#include <atomic>
#include <mutex>
#include <new>

#include "Allocation.h"
#include "MediaInfoEntryPoints.h"
#include "platform/DynamicLibrary.h"
#include "platform/PlatformNames.h"

namespace metascope {
namespace {

// Addresses of the 28 entry points of the loaded library.
struct EntryPoints {
#define METASCOPE_DECLARE_ENTRY(name, result, params) result(MEDIAINFO_CALL* name) params = nullptr;
  METASCOPE_MEDIAINFO_ENTRY_POINTS(METASCOPE_DECLARE_ENTRY)
#undef METASCOPE_DECLARE_ENTRY
};

// Process-wide load state. `module` is published with release order after
// `entries` has been filled, so a reader that sees a non-null module also
// sees every address; `loadCount` is raised after that, so a reader that sees
// a count above 0 sees the module too. The mutex is taken only while the library is not
// loaded, so two threads that open their first files at the same moment load
// it once; once loaded, no call takes it.
struct LoadState {
  std::atomic<platform::ModuleHandle> module{nullptr};
  std::atomic<unsigned> loadCount{0};
  EntryPoints entries;
  std::mutex loadMutex;
  std::atomic<const char*> nameOverride{nullptr};
  std::atomic<LoadPublishedHook> publishedHook{nullptr};
};

LoadState& State() noexcept {
  static LoadState state;
  return state;
}

// Resolves every entry point into `entries`; false when any is missing.
bool ResolveEntryPoints(platform::ModuleHandle module, EntryPoints& entries) noexcept {
  bool complete = true;
#define METASCOPE_RESOLVE_ENTRY(name, result, params)                                   \
  entries.name = reinterpret_cast<result(MEDIAINFO_CALL*) params>(                       \
      platform::FindModuleEntry(module, #name));                                          \
  if (entries.name == nullptr) complete = false;
  METASCOPE_MEDIAINFO_ENTRY_POINTS(METASCOPE_RESOLVE_ENTRY)
#undef METASCOPE_RESOLVE_ENTRY
  return complete;
}

// The entry points, or null while the library is not loaded.
const EntryPoints* LoadedEntries() noexcept {
  LoadState& state = State();
  if (state.module.load(std::memory_order_acquire) == nullptr) return nullptr;
  return &state.entries;
}

// Copies a text returned by the library; a null answer reads as empty. A copy
// that cannot be allocated reads as empty too: nothing is thrown outward.
std::string CopyText(const char* text) noexcept {
  if (text == nullptr) return {};
  try {
    return std::string(text);
  } catch (...) {
    return {};
  }
}

std::string UnableToLoadText() noexcept { return CopyText(kUnableToLoadText); }

}  // namespace

int LoadMediaInfoLibrary() noexcept {
  LoadState& state = State();
  // The count is raised only after the module has been published, so a
  // count above 0 always means usable entry points.
  if (state.loadCount.load(std::memory_order_acquire) > 0) {
    state.loadCount.fetch_add(1, std::memory_order_acq_rel);
    return 1;
  }

  std::lock_guard<std::mutex> lock(state.loadMutex);
  if (state.module.load(std::memory_order_acquire) != nullptr) {
    // Another thread finished the load while this one waited.
    state.loadCount.fetch_add(1, std::memory_order_acq_rel);
    return 1;
  }

  const char* name = state.nameOverride.load(std::memory_order_acquire);
  if (name == nullptr) name = platform::kMediaInfoLibraryName;
  platform::ModuleHandle module = platform::LoadCompanionModule(name);
  if (module == nullptr) return -1;

  EntryPoints entries;
  if (!ResolveEntryPoints(module, entries)) {
    platform::FreeModule(module);
    return -1;
  }

  state.entries = entries;
  state.module.store(module, std::memory_order_release);
  if (LoadPublishedHook hook = state.publishedHook.load(std::memory_order_acquire)) hook();
  state.loadCount.fetch_add(1, std::memory_order_acq_rel);
  return 1;
}

bool IsMediaInfoLibraryLoaded() noexcept { return LoadedEntries() != nullptr; }

unsigned MediaInfoLibraryLoadCount() noexcept {
  return State().loadCount.load(std::memory_order_acquire);
}

MediaInfoInstance* CreateMediaInfoInstance() noexcept {
  void* block = AllocateZeroed(sizeof(MediaInfoInstance), AllocationSite::Instance);
  if (block == nullptr) return nullptr;
  auto* instance = new (block) MediaInfoInstance{nullptr, platform::NameConversion::Host};

  if (!IsMediaInfoLibraryLoaded()) LoadMediaInfoLibrary();
  if (const EntryPoints* entries = LoadedEntries()) instance->handle = entries->MediaInfoA_New();
  return instance;
}

void DeleteMediaInfoInstance(MediaInfoInstance* instance) noexcept {
  if (instance == nullptr) return;
  const EntryPoints* entries = LoadedEntries();
  if (instance->handle != nullptr && entries != nullptr) entries->MediaInfoA_Delete(instance->handle);
  instance->~MediaInfoInstance();
  FreeAllocation(instance);
}

std::size_t MediaInfoOpen(MediaInfoInstance& instance, const char* path) noexcept {
  const EntryPoints* entries = LoadedEntries();
  if (entries == nullptr || instance.handle == nullptr) return 0;
  instance.nameConversion = platform::ChooseNameConversion(path);
  const platform::ScopedNameConversion conversion(instance.nameConversion);
  // By default MediaInfo takes a picture with 24 or more numbered siblings
  // for the first frame of a sequence (a video stream, no image stream) and
  // reads the siblings' names.
  entries->MediaInfoA_Option(instance.handle, "File_TestContinuousFileNames", "0");
  return entries->MediaInfoA_Open(instance.handle, path);
}

std::string MediaInfoGet(const MediaInfoInstance& instance, int streamKind, std::size_t streamNumber,
                         const char* parameter, int infoKind, int searchKind) noexcept {
  const EntryPoints* entries = LoadedEntries();
  if (entries == nullptr || instance.handle == nullptr) return UnableToLoadText();
  const platform::ScopedNameConversion conversion(instance.nameConversion);
  return CopyText(
      entries->MediaInfoA_Get(instance.handle, streamKind, streamNumber, parameter, infoKind, searchKind));
}

std::string MediaInfoOption(const MediaInfoInstance& instance, const char* option,
                            const char* value) noexcept {
  const EntryPoints* entries = LoadedEntries();
  if (entries == nullptr || instance.handle == nullptr) return UnableToLoadText();
  const platform::ScopedNameConversion conversion(instance.nameConversion);
  return CopyText(entries->MediaInfoA_Option(instance.handle, option, value));
}

std::string MediaInfoInform(const MediaInfoInstance& instance) noexcept {
  const EntryPoints* entries = LoadedEntries();
  if (entries == nullptr || instance.handle == nullptr) return UnableToLoadText();
  const platform::ScopedNameConversion conversion(instance.nameConversion);
  return CopyText(entries->MediaInfoA_Inform(instance.handle, 0));
}

void MediaInfoClose(const MediaInfoInstance& instance) noexcept {
  const EntryPoints* entries = LoadedEntries();
  if (entries == nullptr || instance.handle == nullptr) return;
  entries->MediaInfoA_Close(instance.handle);
}

void SetMediaInfoLibraryNameForTesting(const char* name) noexcept {
  State().nameOverride.store(name, std::memory_order_release);
}

void SetLoadPublishedHookForTesting(LoadPublishedHook hook) noexcept {
  State().publishedHook.store(hook, std::memory_order_release);
}

}  // namespace metascope
