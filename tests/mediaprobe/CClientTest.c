/* The public header from a C program, linked against libMetaScope.so. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "libMetaScopeSDK.h"

static int failures = 0;

#define CHECK(cond)                                                  \
  do {                                                               \
    if (!(cond)) {                                                   \
      fprintf(stdout, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                    \
    }                                                                \
  } while (0)

int main(int argc, char** argv) {
  char path[4096];
  MEDIAINFO_CONTEXT* context;
  if (argc != 2) {
    fprintf(stdout, "usage: CClientTest MEDIA_DIR\n");
    return 2;
  }
  snprintf(path, sizeof path, "%s/clip.mp4", argv[1]);

  context = MediaInfoOpenFile(path);
  CHECK(context != NULL);
  if (context != NULL) {
    CHECK(MediaInfoGetWidth(context) == 32);
    CHECK(MediaInfoGetHeight(context) == 24);
    CHECK(MediaInfoGetVideoDuration(context) >= 950);
    CHECK(fabs(MediaInfoGetVideoFramerate(context) - 25.0) < 1e-9);
    CHECK(MediaInfoGetAudioSamples(context) == 44100);
    CHECK(MediaInfoCloseFile(context) == 1);
  }

  CHECK(MediaInfoOpenFile("") == NULL);
  CHECK(MediaInfoCloseFile(NULL) == METASCOPE_ERR_CLOSE_FILE);
  CHECK(MediaInfoGetWidth(NULL) == METASCOPE_ERR_WIDTH);
  CHECK(MediaInfoGetVideoDuration(NULL) == METASCOPE_ERR_VIDEO_DURATION);
  CHECK(MediaInfoGetVideoAspect(NULL) == METASCOPE_ERR_VIDEO_ASPECT);

  if (failures == 0) printf("CClientTest: all checks held\n");
  return failures == 0 ? 0 : 1;
}
