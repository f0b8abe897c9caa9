// The MediaInfo library's flat 8-bit-string interface, as one list.
//
// X(name, result type, parameter list) for each of the 28 entry points, in
// the order in which they are resolved. All of them must be present for the
// library to count as loaded; only seven are ever called.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define MEDIAINFO_CALL __stdcall
#else
#define MEDIAINFO_CALL
#endif

namespace metascope {

// Parameter types of the interface (C enumerations and fixed-width integers).
using MediaInfoStreamKind = int;  // 1 video, 2 audio, 5 image, ...
using MediaInfoInfoKind = int;    // 0 name, 1 text, ...
using MediaInfoFileOptions = int;
using MediaInfoInt64u = std::uint64_t;
using MediaInfoInt8u = std::uint8_t;

}  // namespace metascope

#define METASCOPE_MEDIAINFO_ENTRY_POINTS(X)                                                     \
  X(MediaInfoA_New, void*, (void))                                                              \
  X(MediaInfoListA_New, void*, (void))                                                          \
  X(MediaInfoA_Delete, void, (void*))                                                           \
  X(MediaInfoListA_Delete, void, (void*))                                                       \
  X(MediaInfoA_Open, std::size_t, (void*, const char*))                                         \
  X(MediaInfoListA_Open, std::size_t, (void*, const char*, metascope::MediaInfoFileOptions))    \
  X(MediaInfoA_Open_Buffer_Init, std::size_t,                                                   \
    (void*, metascope::MediaInfoInt64u, metascope::MediaInfoInt64u))                            \
  X(MediaInfoA_Open_Buffer_Continue, std::size_t, (void*, metascope::MediaInfoInt8u*, std::size_t)) \
  X(MediaInfoA_Open_Buffer_Continue_GoTo_Get, metascope::MediaInfoInt64u, (void*))              \
  X(MediaInfoA_Open_Buffer_Finalize, std::size_t, (void*))                                      \
  X(MediaInfoA_Open_NextPacket, std::size_t, (void*))                                           \
  X(MediaInfoA_Close, void, (void*))                                                            \
  X(MediaInfoListA_Close, void, (void*, std::size_t))                                           \
  X(MediaInfoA_Inform, const char*, (void*, std::size_t))                                       \
  X(MediaInfoListA_Inform, const char*, (void*, std::size_t, std::size_t))                      \
  X(MediaInfoA_GetI, const char*,                                                               \
    (void*, metascope::MediaInfoStreamKind, std::size_t, std::size_t, metascope::MediaInfoInfoKind)) \
  X(MediaInfoListA_GetI, const char*,                                                           \
    (void*, std::size_t, metascope::MediaInfoStreamKind, std::size_t, std::size_t,              \
     metascope::MediaInfoInfoKind))                                                             \
  X(MediaInfoA_Get, const char*,                                                                \
    (void*, metascope::MediaInfoStreamKind, std::size_t, const char*, metascope::MediaInfoInfoKind, \
     metascope::MediaInfoInfoKind))                                                             \
  X(MediaInfoListA_Get, const char*,                                                            \
    (void*, std::size_t, metascope::MediaInfoStreamKind, std::size_t, const char*,              \
     metascope::MediaInfoInfoKind, metascope::MediaInfoInfoKind))                               \
  X(MediaInfoA_Output_Buffer_Get, std::size_t, (void*, const char*))                            \
  X(MediaInfoA_Output_Buffer_GetI, std::size_t, (void*, std::size_t))                           \
  X(MediaInfoA_Option, const char*, (void*, const char*, const char*))                          \
  X(MediaInfoListA_Option, const char*, (void*, const char*, const char*))                      \
  X(MediaInfoA_State_Get, std::size_t, (void*))                                                 \
  X(MediaInfoListA_State_Get, std::size_t, (void*))                                             \
  X(MediaInfoA_Count_Get, std::size_t, (void*, metascope::MediaInfoStreamKind, std::size_t))    \
  X(MediaInfoListA_Count_Get, std::size_t,                                                      \
    (void*, std::size_t, metascope::MediaInfoStreamKind, std::size_t))                          \
  X(MediaInfoListA_Count_Get_Files, std::size_t, (void*))
