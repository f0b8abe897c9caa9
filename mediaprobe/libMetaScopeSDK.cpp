// The twelve exports of libMetaScope.
#include "libMetaScopeSDK.h"

#include <cstring>
#include <memory>
#include <string>

#include "Allocation.h"
#include "FileType.h"
#include "MediaInfoBinding.h"
#include "MediaInfoContext.h"
#include "TextToNumber.h"
#include "Trace.h"

namespace {

using metascope::TraceError;

constexpr const char* kInvalidParams = "invaild params !";

// Frees a record and everything it owns.
struct ContextDeleter {
  void operator()(MEDIAINFO_CONTEXT* context) const noexcept {
    metascope::DeleteMediaInfoInstance(context->pMediaInfo);
    metascope::FreeAllocation(context);
  }
};
using ContextPtr = std::unique_ptr<MEDIAINFO_CONTEXT, ContextDeleter>;

// How a query picks its stream kind; -1 ends the query at once with 0.
using StreamChooser = int (*)(std::int32_t fileType);

int PictureStream(std::int32_t fileType) {
  if (fileType == metascope::kFileTypeVideo) return metascope::kStreamVideo;
  if (fileType == metascope::kFileTypeAudio) return -1;
  return metascope::kStreamImage;
}
int DurationStream(std::int32_t fileType) {
  return fileType == metascope::kFileTypeAudio ? metascope::kStreamAudio : metascope::kStreamVideo;
}
int VideoStream(std::int32_t fileType) {
  return fileType == metascope::kFileTypeAudio ? -1 : metascope::kStreamVideo;
}
int AudioStream(std::int32_t) { return metascope::kStreamAudio; }

// One query: the null-context line and result, the stream, the parameter
// name, the conversion and the record field that keeps the result.
template <typename Result>
struct Query {
  int nullLine;
  Result nullResult;
  StreamChooser stream;
  const char* parameter;
  Result (*convert)(std::string_view);
  Result MEDIAINFO_CONTEXT::*field;
};

std::int32_t ToInt32(std::string_view text) { return metascope::LeadingInt32(text); }
std::int64_t ToInt64(std::string_view text) { return metascope::LeadingInt32(text); }
double ToDouble(std::string_view text) { return metascope::LeadingDouble(text); }

template <typename Result>
Result Ask(MEDIAINFO_CONTEXT* context, const Query<Result>& query) noexcept {
  if (context == nullptr) {
    TraceError(kInvalidParams, query.nullLine);
    return query.nullResult;
  }
  const int streamKind = query.stream(context->nFileType);
  if (streamKind < 0) return Result{0};
  const std::string text = metascope::MediaInfoGet(*context->pMediaInfo, streamKind, 0, query.parameter,
                                                   metascope::kInfoText, metascope::kSearchByName);
  const Result result = query.convert(text);
  context->*query.field = result;
  return result;
}

constexpr Query<std::int32_t> kWidth{136, -137, PictureStream, "Width", ToInt32,
                                                   &MEDIAINFO_CONTEXT::nWidth};
constexpr Query<std::int32_t> kHeight{156, -157, PictureStream, "Height", ToInt32,
                                                    &MEDIAINFO_CONTEXT::nHeight};
constexpr Query<std::int64_t> kDuration{177, -178, DurationStream, "Duration", ToInt64,
                                                      &MEDIAINFO_CONTEXT::llDuration};
constexpr Query<std::int32_t> kVideoBitrate{193, -194, VideoStream, "BitRate", ToInt32,
                                                          &MEDIAINFO_CONTEXT::nVideoBitrate};
constexpr Query<double> kFramerate{208, -209.0, VideoStream, "FrameRate", ToDouble,
                                           &MEDIAINFO_CONTEXT::dFramerate};
constexpr Query<double> kAspect{223, -224.0, VideoStream, "PixelAspectRatio", ToDouble,
                                        &MEDIAINFO_CONTEXT::dAspect};
constexpr Query<std::int32_t> kRotate{239, -240, VideoStream, "Rotation", ToInt32,
                                                    &MEDIAINFO_CONTEXT::nRotate};
constexpr Query<std::int32_t> kAudioChannels{257, -258, AudioStream, "Channel(s)", ToInt32,
                                                           &MEDIAINFO_CONTEXT::nAudioChannels};
constexpr Query<std::int32_t> kAudioSamples{271, -272, AudioStream, "SamplingRate", ToInt32,
                                                          &MEDIAINFO_CONTEXT::nAudioSamples};
constexpr Query<std::int32_t> kAudioBitrate{285, -286, AudioStream, "BitRate", ToInt32,
                                                          &MEDIAINFO_CONTEXT::nAudioBitrate};

}  // namespace

extern "C" {

METASCOPE_API MEDIAINFO_CONTEXT* METASCOPE_CALL MediaInfoOpenFile(const char* szPath) {
  void* block = metascope::AllocateZeroed(sizeof(MEDIAINFO_CONTEXT), metascope::AllocationSite::Context);
  if (block == nullptr) {
    TraceError("MEDIAINFO_CONTEXT alloc fail !", 69);
    return nullptr;
  }
  // Zero-filled storage is the record's initial state: a null instance
  // pointer, type 0, an empty path and every cached result at 0.
  ContextPtr context(static_cast<MEDIAINFO_CONTEXT*>(block));

  context->pMediaInfo = metascope::CreateMediaInfoInstance();
  if (context->pMediaInfo == nullptr) {
    TraceError("MediaInfo alloc fail !", 76);
    return nullptr;
  }

  if (szPath == nullptr || *szPath == '\0') {
    TraceError("szPath is null !", 83);
    return nullptr;
  }

  // A path that does not fit is stored cut short; MediaInfo always gets the
  // caller's full path below.
  const std::size_t length = std::strlen(szPath);
  const std::size_t kept = length < kFilePathCapacity ? length : kFilePathCapacity - 1;
  std::memcpy(context->szFilePath, szPath, kept);
  context->szFilePath[kept] = '\0';

  const std::int32_t fileType = metascope::ClassifyPath(szPath);
  if (fileType < 0) {
    TraceError("Unable to parse the file format!", 115);
    return nullptr;
  }
  context->nFileType = fileType;

  if (metascope::MediaInfoOpen(*context->pMediaInfo, szPath) == 0) {
    TraceError("Open file fail!", 122);
    return nullptr;
  }
  return context.release();
}

METASCOPE_API int32_t METASCOPE_CALL MediaInfoCloseFile(MEDIAINFO_CONTEXT* pContext) {
  if (pContext == nullptr) {
    TraceError(kInvalidParams, 300);
    return -301;
  }
  ContextPtr context(pContext);
  const metascope::MediaInfoInstance& instance = *context->pMediaInfo;
  // The report is made only when its line would be written.
  if (!metascope::DebugTraceWanted()) {
    metascope::MediaInfoClose(instance);
    return 1;
  }
  metascope::MediaInfoOption(instance, "Complete", "");
  const std::string report = metascope::MediaInfoInform(instance);
  metascope::MediaInfoClose(instance);
  metascope::TraceDebug(report.c_str());
  return 1;
}

METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetWidth(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kWidth);
}
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetHeight(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kHeight);
}
METASCOPE_API int64_t METASCOPE_CALL MediaInfoGetVideoDuration(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kDuration);
}
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetVideoBitrate(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kVideoBitrate);
}
METASCOPE_API double METASCOPE_CALL MediaInfoGetVideoFramerate(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kFramerate);
}
METASCOPE_API double METASCOPE_CALL MediaInfoGetVideoAspect(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kAspect);
}
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetVideoRotate(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kRotate);
}
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetAudioChannels(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kAudioChannels);
}
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetAudioSamples(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kAudioSamples);
}
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetAudioBitrate(MEDIAINFO_CONTEXT* pContext) {
  return Ask(pContext, kAudioBitrate);
}

}  // extern "C"
