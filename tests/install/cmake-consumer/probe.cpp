// An outside C++ program built with find_package(MetaScope): prints
// "WIDTH HEIGHT DURATION_MS" for each file given.
#include <libMetaScopeSDK.h>

#include <iostream>
#include <memory>

namespace {

struct Closer {
  void operator()(MEDIAINFO_CONTEXT* file) const { MediaInfoCloseFile(file); }
};

}  // namespace

int main(int argc, char** argv) {
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const std::unique_ptr<MEDIAINFO_CONTEXT, Closer> file(MediaInfoOpenFile(argv[i]));
    if (!file) {
      std::cerr << "probe: " << argv[i] << ": could not be opened\n";
      status = 1;
      continue;
    }
    std::cout << MediaInfoGetWidth(file.get()) << ' ' << MediaInfoGetHeight(file.get()) << ' '
              << MediaInfoGetVideoDuration(file.get()) << '\n';
  }
  return status;
}
