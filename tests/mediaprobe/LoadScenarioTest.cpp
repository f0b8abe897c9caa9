// How the binding loads the MediaInfo library: missing, incomplete, two
// threads opening their first files at the same moment, and a second thread
// that opens while the first is held in the middle of the load. Each scenario needs a
// process whose library is not loaded yet, so this program runs exactly one
// of them, named by LOAD_SCENARIO at build time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

#if LOAD_SCENARIO == 4
// The loading thread is held right after the library became usable and
// before its load is counted: an open on another thread in that moment must
// see a loaded library and succeed, without waiting for the held thread.
std::atomic<bool> loaderHeld{false};
std::atomic<bool> releaseLoader{false};

void HoldTheLoader() {
  loaderHeld.store(true);
  while (!releaseLoader.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(FirstLoad, AnOpenDuringThePublicationOfTheLoadSucceeds) {
  FakeMediaInfoFiles fake;
  fake.Script("get 1 Width=320\n");
  metascope::SetMediaInfoLibraryNameForTesting(FAKE_MEDIAINFO_PATH);
  metascope::SetLoadPublishedHookForTesting(HoldTheLoader);
  ASSERT_FALSE(metascope::IsMediaInfoLibraryLoaded());

  DiagnosticCapture capture;
  std::atomic<int> loaderWidth{-1};
  std::thread loader([&] {
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("first.mp4");
    if (context == nullptr) return;
    loaderWidth.store(MediaInfoGetWidth(context));
    MediaInfoCloseFile(context);
  });
  while (!loaderHeld.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  metascope::SetLoadPublishedHookForTesting(nullptr);

  // The second open runs while the loader is held; it must not wait for it.
  std::atomic<bool> secondDone{false};
  std::atomic<int> secondWidth{-1};
  std::thread second([&] {
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile("second.mp4");
    if (context != nullptr) {
      secondWidth.store(MediaInfoGetWidth(context));
      MediaInfoCloseFile(context);
    }
    secondDone.store(true);
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!secondDone.load() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const bool finishedWhileHeld = secondDone.load();
  releaseLoader.store(true);
  second.join();
  loader.join();
  const std::string written = capture.Take();

  EXPECT_TRUE(finishedWhileHeld) << "the second open waited for the held loader";
  EXPECT_EQ(secondWidth.load(), 320) << written;
  EXPECT_EQ(loaderWidth.load(), 320) << written;
  EXPECT_EQ(written.find("error ="), std::string::npos) << written;
  EXPECT_EQ(metascope::MediaInfoLibraryLoadCount(), 1u);
}
#endif

}  // namespace
