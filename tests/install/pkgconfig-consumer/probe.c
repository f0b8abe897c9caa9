/* An outside C program built with pkg-config against an installed
 * libMetaScope: prints "WIDTH HEIGHT CHANNELS RATE" for each file given. */
#include <libMetaScopeSDK.h>

#include <stdio.h>

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    MEDIAINFO_CONTEXT* file = MediaInfoOpenFile(argv[i]);
    if (file == NULL) {
      fprintf(stderr, "probe: %s: could not be opened\n", argv[i]);
      status = 1;
      continue;
    }
    printf("%d %d %d %d\n", (int)MediaInfoGetWidth(file), (int)MediaInfoGetHeight(file),
           (int)MediaInfoGetAudioChannels(file), (int)MediaInfoGetAudioSamples(file));
    MediaInfoCloseFile(file);
  }
  return status;
}
