// File names of the libraries and programs outside this tree, one place per
// platform. The rest of the code never spells an extension or a separator.
#pragma once

namespace platform {

#if defined(_WIN32)
inline constexpr const char* kMediaInfoLibraryName = "MediaInfo.dll";
#else
inline constexpr const char* kMediaInfoLibraryName = "libmediainfo.so.0";
#endif

}  // namespace platform
