// File names of the libraries and programs outside this tree, one place per
// platform. The rest of the code never spells an extension or a separator.
#pragma once

namespace platform {

#if defined(_WIN32)
inline constexpr const char* kMediaInfoLibraryName = "MediaInfo.dll";
#else
inline constexpr const char* kMediaInfoLibraryName = "libmediainfo.so.0";
#endif

// Files installed beside the launcher, relative to the launcher folder.
#if defined(_WIN32)
inline constexpr const char16_t* kUpdateServiceLibraryName = u"Tavrel.DLL";
inline constexpr const char16_t* kStarterProgramName = u"QBStart.exe";
inline constexpr const char16_t* kEditorProgramPath = u"Core\\Vidorra.exe";
inline constexpr const char16_t* kCutterProgramPath = u"Core\\Snipwell.exe";
#else
inline constexpr const char16_t* kUpdateServiceLibraryName = u"libTavrel.so";
inline constexpr const char16_t* kStarterProgramName = u"QBStart";
inline constexpr const char16_t* kEditorProgramPath = u"Core/Vidorra";
inline constexpr const char16_t* kCutterProgramPath = u"Core/Snipwell";
#endif

// Characters that end the folder part of a path: the folder of a file is
// everything up to and including the last of them.
#if defined(_WIN32)
inline constexpr const char16_t* kFolderSeparators = u"\\:";
#else
inline constexpr const char16_t* kFolderSeparators = u"/";
#endif

}  // namespace platform
