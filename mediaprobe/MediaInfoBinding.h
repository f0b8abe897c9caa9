// Run-time binding to the MediaInfo library.
//
// The library is loaded by the first instance creation and stays loaded for
// the life of the process; a failed load (library missing, or lacking any of
// its 28 entry points) is tried again by the next instance creation. All
// calls are guarded: nothing is called while the library is not loaded or
// with a null instance handle.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Locale.h"

namespace metascope {

// Stream kinds and info kinds used by the queries.
enum : int { kStreamVideo = 1, kStreamAudio = 2, kStreamImage = 5 };
enum : int { kInfoText = 1 };
enum : int { kSearchByName = 0 };

// Answer of the text calls when the library cannot be called.
inline constexpr const char* kUnableToLoadText = "Unable to load MediaInfo.dll";

// Loads the library if needed. Reports 1 when it is loaded, -1 otherwise.
int LoadMediaInfoLibrary() noexcept;

// True once the library is loaded.
bool IsMediaInfoLibraryLoaded() noexcept;

// Number of successful LoadMediaInfoLibrary calls (never lowered).
unsigned MediaInfoLibraryLoadCount() noexcept;

// One MediaInfo instance; its handle is null when none could be made.
// MediaInfo converts the file name with the calling thread's locale, at the
// open and again in the texts it answers (the report names the file): every
// call that converts text runs under the conversion chosen for the name at
// the open.
struct MediaInfoInstance {
  void* handle;
  platform::NameConversion nameConversion;
};

// Allocates an instance, loading the library first when it is not loaded.
// Returns null only when the instance object itself cannot be allocated.
MediaInfoInstance* CreateMediaInfoInstance() noexcept;

// Releases the instance's handle in the library (when both exist) and frees
// the instance object. Null is ignored.
void DeleteMediaInfoInstance(MediaInfoInstance* instance) noexcept;

// Guarded calls. Texts are copied out of the library at once.
// The open reads the one file named: a picture among numbered siblings
// (IMG_0001.JPG ...) is not taken for a frame of an image sequence.
std::size_t MediaInfoOpen(MediaInfoInstance& instance, const char* path) noexcept;
std::string MediaInfoGet(const MediaInfoInstance& instance, int streamKind, std::size_t streamNumber,
                         const char* parameter, int infoKind, int searchKind) noexcept;
std::string MediaInfoOption(const MediaInfoInstance& instance, const char* option,
                            const char* value) noexcept;
std::string MediaInfoInform(const MediaInfoInstance& instance) noexcept;
void MediaInfoClose(const MediaInfoInstance& instance) noexcept;

// For tests: the name or path under which the library is loaded. Takes
// effect at the next load attempt; null restores the platform's name.
void SetMediaInfoLibraryNameForTesting(const char* name) noexcept;

// For tests: called by the thread that loads the library once the library is
// usable by other threads and before its load is counted. Null removes it.
using LoadPublishedHook = void (*)();
void SetLoadPublishedHookForTesting(LoadPublishedHook hook) noexcept;

}  // namespace metascope
