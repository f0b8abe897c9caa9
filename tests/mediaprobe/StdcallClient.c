/*
 * A 32-bit C caller of libMetaScope.dll that binds at run time: LoadLibraryA,
 * then GetProcAddress by the twelve plain names, each called through a
 * pointer declared with the header's calling convention. Around every call
 * the stack pointer is read; a callee that pops a different number of bytes
 * than the caller expects (a __cdecl export called as __stdcall, or the other
 * way round) leaves it moved, which is reported as a drift.
 *
 * Built with WRONG_CONVENTION defined, the pointers are declared __cdecl: the
 * same checks must then report drifts (the check itself is tested that way).
 *
 * Usage: test_probe_stdcall_client MEDIA_DIR. The answers checked for
 * MEDIA_DIR/clip.mp4 are the file's own, which the fake MediaInfo.dll's
 * script (FAKE_MEDIAINFO_SCRIPT) repeats; the others are only called.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "libMetaScopeSDK.h"

#if !defined(__i386__)
#error "the stack-pointer checks are for 32-bit x86"
#endif

#if defined(WRONG_CONVENTION)
#define CLIENT_CALL __cdecl
#else
#define CLIENT_CALL METASCOPE_CALL
#endif

typedef MEDIAINFO_CONTEXT*(CLIENT_CALL* OpenFileFn)(const char*);
typedef int32_t(CLIENT_CALL* IntQueryFn)(MEDIAINFO_CONTEXT*);
typedef int64_t(CLIENT_CALL* Int64QueryFn)(MEDIAINFO_CONTEXT*);
typedef double(CLIENT_CALL* DoubleQueryFn)(MEDIAINFO_CONTEXT*);

static int failures = 0;
static int drifts = 0;
static int calls = 0;

#define CHECK(cond)                                                             \
  do {                                                                          \
    if (!(cond)) {                                                              \
      printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);           \
      ++failures;                                                               \
    }                                                                           \
  } while (0)

/* Reads ESP into `before`, evaluates CALL, reads ESP into `after` and sets
 * ESP back to `before`, so that a drift cannot break the rest of the
 * function (it keeps the frame the compiler laid out). The client is built
 * with -fno-defer-pop: the compiler's own argument pops, if any, happen
 * right after the call and inside the measured span. */
#define MEASURED_CALL(name, call)                                               \
  do {                                                                          \
    unsigned before_, after_;                                                   \
    __asm__ volatile("movl %%esp, %0" : "=r"(before_)::"memory");               \
    call;                                                                       \
    __asm__ volatile("movl %%esp, %0\n\tmovl %1, %%esp"                         \
                     : "=&r"(after_)                                            \
                     : "r"(before_)                                             \
                     : "memory");                                               \
    ++calls;                                                                    \
    if (after_ != before_) {                                                    \
      printf("ESP drift %+d bytes after %s\n", (int)(after_ - before_), name);  \
      ++drifts;                                                                 \
    }                                                                           \
  } while (0)

static FARPROC find(HMODULE library, const char* name) {
  FARPROC entry = GetProcAddress(library, name);
  if (entry == NULL) {
    printf("GetProcAddress(%s) failed\n", name);
    ++failures;
  }
  return entry;
}

/* Casts between function pointer types go through this union: the entry
 * points are typed FARPROC by the API. */
typedef union {
  FARPROC raw;
  OpenFileFn open;
  IntQueryFn integer;
  Int64QueryFn integer64;
  DoubleQueryFn real;
} Entry;

typedef struct {
  const char* name;
  int check_clip;   /* whether the answer for the clip is checked */
  int32_t for_clip; /* the answer for the clip */
  int32_t for_null; /* the answer for a null handle */
} IntQuery;

int main(int argc, char** argv) {
  static const IntQuery int_queries[] = {
      {"MediaInfoGetWidth", 1, 32, METASCOPE_ERR_WIDTH},
      {"MediaInfoGetHeight", 1, 24, METASCOPE_ERR_HEIGHT},
      {"MediaInfoGetVideoBitrate", 0, 0, METASCOPE_ERR_VIDEO_BITRATE},
      {"MediaInfoGetVideoRotate", 1, 0, METASCOPE_ERR_VIDEO_ROTATE},
      {"MediaInfoGetAudioChannels", 0, 0, METASCOPE_ERR_AUDIO_CHANNELS},
      {"MediaInfoGetAudioSamples", 1, 44100, METASCOPE_ERR_AUDIO_SAMPLES},
      {"MediaInfoGetAudioBitrate", 0, 0, METASCOPE_ERR_AUDIO_BITRATE},
  };
  char path[MAX_PATH + 32];
  HMODULE library;
  Entry open_file, close_file, duration, framerate, aspect, query;
  MEDIAINFO_CONTEXT* context = NULL;
  MEDIAINFO_CONTEXT* none = NULL;
  int32_t answer = 0;
  int64_t answer64 = 0;
  double real = 0.0;
  size_t i;

  if (argc != 2 || strlen(argv[1]) > MAX_PATH) {
    printf("usage: test_probe_stdcall_client MEDIA_DIR\n");
    return 2;
  }
  snprintf(path, sizeof path, "%s/clip.mp4", argv[1]);

  library = LoadLibraryA("libMetaScope.dll");
  if (library == NULL) {
    printf("LoadLibraryA(libMetaScope.dll) failed: error %lu\n", (unsigned long)GetLastError());
    return 1;
  }
  open_file.raw = find(library, "MediaInfoOpenFile");
  close_file.raw = find(library, "MediaInfoCloseFile");
  duration.raw = find(library, "MediaInfoGetVideoDuration");
  framerate.raw = find(library, "MediaInfoGetVideoFramerate");
  aspect.raw = find(library, "MediaInfoGetVideoAspect");
  if (failures > 0) return 1;

  /* Each export once on an open file and once on a null handle. */
  MEASURED_CALL("MediaInfoOpenFile", context = open_file.open(path));
  CHECK(context != NULL);
  if (context == NULL) return 1;

  for (i = 0; i < sizeof int_queries / sizeof int_queries[0]; ++i) {
    query.raw = find(library, int_queries[i].name);
    if (query.raw == NULL) continue;
    MEASURED_CALL(int_queries[i].name, answer = query.integer(context));
    if (int_queries[i].check_clip && answer != int_queries[i].for_clip) {
      printf("%s(clip) = %ld, expected %ld\n", int_queries[i].name, (long)answer,
             (long)int_queries[i].for_clip);
      ++failures;
    }
    MEASURED_CALL(int_queries[i].name, answer = query.integer(none));
    if (answer != int_queries[i].for_null) {
      printf("%s(NULL) = %ld, expected %ld\n", int_queries[i].name, (long)answer,
             (long)int_queries[i].for_null);
      ++failures;
    }
  }

  MEASURED_CALL("MediaInfoGetVideoDuration", answer64 = duration.integer64(context));
  CHECK(answer64 >= 950 && answer64 <= 1100);
  MEASURED_CALL("MediaInfoGetVideoDuration", answer64 = duration.integer64(none));
  CHECK(answer64 == METASCOPE_ERR_VIDEO_DURATION);
  MEASURED_CALL("MediaInfoGetVideoFramerate", real = framerate.real(context));
  CHECK(fabs(real - 25.0) < 1e-9);
  MEASURED_CALL("MediaInfoGetVideoFramerate", real = framerate.real(none));
  CHECK(real == METASCOPE_ERR_VIDEO_FRAMERATE);
  MEASURED_CALL("MediaInfoGetVideoAspect", real = aspect.real(context));
  CHECK(real >= 0.0);
  MEASURED_CALL("MediaInfoGetVideoAspect", real = aspect.real(none));
  CHECK(real == METASCOPE_ERR_VIDEO_ASPECT);

  MEASURED_CALL("MediaInfoCloseFile", answer = close_file.integer(context));
  CHECK(answer == 1);
  MEASURED_CALL("MediaInfoCloseFile", answer = close_file.integer(none));
  CHECK(answer == METASCOPE_ERR_CLOSE_FILE);
  MEASURED_CALL("MediaInfoOpenFile", context = open_file.open(""));
  CHECK(context == NULL);

  FreeLibrary(library);
  printf("StdcallClient: %d calls, %d with ESP drift, %d failed checks\n", calls, drifts, failures);
  if (drifts == 0 && failures == 0) {
    printf("StdcallClient: 12 exports called, ESP balanced\n");
    return 0;
  }
  return 1;
}
