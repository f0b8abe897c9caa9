/*
 * libMetaScope: basic properties of one media file.
 *
 * Open a file with MediaInfoOpenFile, ask any of the ten queries as often as
 * wanted and in any order, then close it with MediaInfoCloseFile exactly once.
 * The handle is opaque: never allocate, copy, free or reuse it after closing.
 *
 * Failures are reported by the result alone: a null handle from
 * MediaInfoOpenFile, or the fixed negative number that each export returns for
 * a null handle (METASCOPE_ERR_*). Each failure also writes one error line on
 * the debugger output, and each close a debug line with MediaInfo's report of
 * the file:
 *   Windows: OutputDebugStringA, every line.
 *   Linux:   standard error, as chosen by the environment variable
 *            METASCOPE_TRACE, read at every line:
 *              unset or "errors"  error lines only
 *              "all"              error and debug lines
 *              "none"             nothing
 *            (any other value counts as "errors"). When the debug line is not
 *            written, the close does not have MediaInfo make the report.
 *            Lines of different threads never interleave, and a broken
 *            standard error never raises SIGPIPE in the host.
 *
 * File names are 8-bit text handed to MediaInfo unchanged; MediaInfo converts
 * them with the host's locale, so a UTF-8 file name opens in a host running a
 * UTF-8 locale (setlocale(LC_ALL, "") in a normal desktop session). The
 * library itself never changes the locale or the standard streams.
 *
 * Threads: calls on one handle must not overlap; different handles may be
 * used from different threads at the same time. Any export may be called on
 * a thread with a small stack (64 KiB).
 *
 * Usable from C and C++. On 32-bit Windows the exports use __stdcall.
 */
#ifndef LIBMETASCOPESDK_H
#define LIBMETASCOPESDK_H

#include <stdint.h>

/* Calling convention of every export. */
#if defined(_WIN32)
#  define METASCOPE_CALL __stdcall
#else
#  define METASCOPE_CALL
#endif

/* Linkage of every export. Define METASCOPE_STATIC when linking the library's
 * objects into a program directly. */
#if defined(METASCOPE_STATIC)
#  define METASCOPE_API
#elif defined(_WIN32)
#  if defined(METASCOPE_BUILDING)
#    define METASCOPE_API /* exported through the module-definition file */
#  else
#    define METASCOPE_API __declspec(dllimport)
#  endif
#elif defined(METASCOPE_BUILDING) && defined(__GNUC__)
#  define METASCOPE_API __attribute__((visibility("default")))
#else
#  define METASCOPE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One open media file. */
typedef struct MEDIAINFO_CONTEXT MEDIAINFO_CONTEXT;

/* Media kind, decided by the file name's extension at open. */
#define MEDIAINFO_TYPE_IMAGE 0
#define MEDIAINFO_TYPE_AUDIO 1
#define MEDIAINFO_TYPE_VIDEO 2

/* Results for a null handle. */
#define METASCOPE_ERR_CLOSE_FILE        (-301)
#define METASCOPE_ERR_WIDTH             (-137)
#define METASCOPE_ERR_HEIGHT            (-157)
#define METASCOPE_ERR_VIDEO_DURATION    (-178)
#define METASCOPE_ERR_VIDEO_BITRATE     (-194)
#define METASCOPE_ERR_VIDEO_FRAMERATE   (-209.0)
#define METASCOPE_ERR_VIDEO_ASPECT      (-224.0)
#define METASCOPE_ERR_VIDEO_ROTATE      (-240)
#define METASCOPE_ERR_AUDIO_CHANNELS    (-258)
#define METASCOPE_ERR_AUDIO_SAMPLES     (-272)
#define METASCOPE_ERR_AUDIO_BITRATE     (-286)

/* Opens the file at szPath (8-bit text, handed to MediaInfo unchanged).
 * Accepted extensions, case ignored:
 *   image .png .jpg .bmp .jpeg
 *   audio .m4a .aac .mp3 .wma .wav
 *   video .avi .asf .mp4 .xvid .mov .mpg1 .mpg2 .rmvb .amv .divx .mtv .3gp
 *         .flv .swf .mkv .mpg
 * Returns null when the path is null or empty, the extension is not accepted,
 * the MediaInfo library is missing, or it cannot open the file. */
METASCOPE_API MEDIAINFO_CONTEXT* METASCOPE_CALL MediaInfoOpenFile(const char* szPath);

/* Closes the file and frees the handle. Returns 1, or METASCOPE_ERR_CLOSE_FILE
 * for a null handle. */
METASCOPE_API int32_t METASCOPE_CALL MediaInfoCloseFile(MEDIAINFO_CONTEXT* pContext);

/* Picture size in pixels (video stream for video files, image stream for
 * images; 0 for audio files). */
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetWidth(MEDIAINFO_CONTEXT* pContext);
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetHeight(MEDIAINFO_CONTEXT* pContext);

/* Duration in milliseconds (audio stream for audio files, else video stream). */
METASCOPE_API int64_t METASCOPE_CALL MediaInfoGetVideoDuration(MEDIAINFO_CONTEXT* pContext);

/* Video stream properties; 0 for audio files. Bit rate in bits per second,
 * frame rate in frames per second, pixel aspect as pixel width over pixel
 * height, rotation in degrees. */
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetVideoBitrate(MEDIAINFO_CONTEXT* pContext);
METASCOPE_API double METASCOPE_CALL MediaInfoGetVideoFramerate(MEDIAINFO_CONTEXT* pContext);
METASCOPE_API double METASCOPE_CALL MediaInfoGetVideoAspect(MEDIAINFO_CONTEXT* pContext);
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetVideoRotate(MEDIAINFO_CONTEXT* pContext);

/* First audio stream: channel count, sampling rate in hertz, bit rate in bits
 * per second. */
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetAudioChannels(MEDIAINFO_CONTEXT* pContext);
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetAudioSamples(MEDIAINFO_CONTEXT* pContext);
METASCOPE_API int32_t METASCOPE_CALL MediaInfoGetAudioBitrate(MEDIAINFO_CONTEXT* pContext);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* LIBMETASCOPESDK_H */
