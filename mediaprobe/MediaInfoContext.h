// The per-file record behind the opaque handle of the public interface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "MediaInfoBinding.h"

inline constexpr std::size_t kFilePathCapacity = 2048;

// One open file: allocated zero-filled by MediaInfoOpenFile, freed by
// MediaInfoCloseFile. The cached fields hold the last result of their query
// and are never read back by the library.
struct MEDIAINFO_CONTEXT {
  metascope::MediaInfoInstance* pMediaInfo;  // owned
  std::int32_t nFileType;
  char szFilePath[kFilePathCapacity];  // the caller's path, cut to 2,047 characters
  std::int64_t llDuration;
  std::int32_t nWidth;
  std::int32_t nHeight;
  std::int32_t nVideoBitrate;
  double dFramerate;
  double dAspect;
  std::int32_t nRotate;
  std::int32_t nAudioChannels;
  std::int32_t nAudioSamples;
  std::int32_t nAudioBitrate;
};
