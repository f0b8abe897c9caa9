// How the binding loads the MediaInfo library: missing, incomplete, and two
// threads opening their first files at the same moment. Each scenario needs a
// process whose library is not loaded yet, so this program runs exactly one
// of them, named by LOAD_SCENARIO at build time.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "MediaInfoBinding.h"
#include "ProbeTestSupport.h"
#include "libMetaScopeSDK.h"
#include "platform/PlatformNames.h"

namespace {

using probetest::ErrorLine;
using probetest::FakeMediaInfoFiles;
using probetest::DiagnosticCapture;
namespace fs = std::filesystem;

#if LOAD_SCENARIO == 1
TEST(MissingLibrary, EveryOpenTriesTheLoadAgain) {
  FakeMediaInfoFiles fake;
  const fs::path where = fake.dir() / platform::kMediaInfoLibraryName;
  const std::string whereText = where.string();
  metascope::SetMediaInfoLibraryNameForTesting(whereText.c_str());

  // Missing: supported files fail to open, the other checks still come first,
  // and no line mentions the library.
  const struct {
    const char* path;
    std::string line;
  } cases[] = {
      {"clip.mp4", ErrorLine("Open file fail!", 122)},
      {"clip.webm", ErrorLine("Unable to parse the file format!", 115)},
      {"", ErrorLine("szPath is null !", 83)},
      {"song.mp3", ErrorLine("Open file fail!", 122)},
  };
  for (const auto& c : cases) {
    DiagnosticCapture capture;
    EXPECT_EQ(MediaInfoOpenFile(c.path), nullptr) << c.path;
    EXPECT_EQ(capture.Take(), c.line) << c.path;
    EXPECT_FALSE(metascope::IsMediaInfoLibraryLoaded());
    EXPECT_EQ(metascope::MediaInfoLibraryLoadCount(), 0u);
  }

  // Once the library appears, the next open loads it and succeeds.
  fs::copy_file(FAKE_MEDIAINFO_PATH, where);
  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("clip.mp4");
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(metascope::IsMediaInfoLibraryLoaded());
  EXPECT_EQ(metascope::MediaInfoLibraryLoadCount(), 1u);
  EXPECT_EQ(MediaInfoCloseFile(context), 1);
}
#endif

#if LOAD_SCENARIO == 2
TEST(IncompleteLibrary, IsLoadedReleasedAndTreatedAsMissing) {
  FakeMediaInfoFiles fake;
  metascope::SetMediaInfoLibraryNameForTesting(FAKE_INCOMPLETE_PATH);
  for (int attempt = 0; attempt < 2; ++attempt) {
    fake.ClearLog();
    DiagnosticCapture capture;
    EXPECT_EQ(MediaInfoOpenFile("clip.mp4"), nullptr);
    EXPECT_EQ(capture.Take(), ErrorLine("Open file fail!", 122));
    // Mapped, found lacking MediaInfoListA_Count_Get_Files, unmapped; nothing called.
    EXPECT_EQ(fake.Log(), (std::vector<std::string>{"load", "unload"})) << "attempt " << attempt;
    EXPECT_FALSE(metascope::IsMediaInfoLibraryLoaded());
  }
}
#endif

#if LOAD_SCENARIO == 3
TEST(FirstLoad, IsSafeWhenThreadsOpenTheirFirstFilesTogether) {
  FakeMediaInfoFiles fake;
  fake.Script("get 1 Width=320\n");
  metascope::SetMediaInfoLibraryNameForTesting(FAKE_MEDIAINFO_PATH);
  ASSERT_FALSE(metascope::IsMediaInfoLibraryLoaded());

  constexpr int kThreads = 8;
  std::atomic<int> ready{0};
  std::atomic<int> widths{0};
  std::vector<std::thread> threads;
  DiagnosticCapture capture;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("clip.mp4");
      if (context == nullptr) return;
      if (MediaInfoGetWidth(context) == 320) widths.fetch_add(1);
      MediaInfoCloseFile(context);
    });
  }
  for (std::thread& thread : threads) thread.join();
  capture.Take();

  EXPECT_EQ(widths.load(), kThreads);
  EXPECT_TRUE(metascope::IsMediaInfoLibraryLoaded());
  int loads = 0;
  for (const std::string& line : fake.Log()) loads += line == "load" ? 1 : 0;
  EXPECT_EQ(loads, 1);
}
#endif

}  // namespace
