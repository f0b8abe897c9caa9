// The Linux implementations of the process services, for real.
#include "launcher/DLLExportFunc.h"
#include "platform/CommandLine.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class PlatformLinux : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vidorra-platform-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::ofstream(root_ / "文件") << "x";
    fs::create_directory(root_ / "folder");
    fs::create_symlink(root_ / "文件", root_ / "link");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  std::u16string Path(const std::string& name) const {
    return platform::Utf16FromUtf8((root_ / name).string());
  }
  fs::path root_;
};

TEST_F(PlatformLinux, FileExistsOnlyForRegularFiles) {
  EXPECT_TRUE(platform::FileExists(Path("文件")));
  EXPECT_TRUE(platform::FileExists(Path("link")));
  EXPECT_FALSE(platform::FileExists(Path("folder")));
  EXPECT_FALSE(platform::FileExists(Path("missing")));
  EXPECT_FALSE(platform::FileExists(u""));
}

TEST_F(PlatformLinux, ChangesTheCurrentDirectory) {
  const fs::path before = fs::current_path();
  EXPECT_FALSE(platform::ChangeCurrentDirectory(Path("文件")));
  EXPECT_TRUE(platform::ChangeCurrentDirectory(Path("folder")));
  EXPECT_EQ(fs::current_path(), fs::canonical(root_ / "folder"));
  fs::current_path(before);
}

// A started program gets the parameter text as one argument (none when it is
// empty), a path in double quotes is the same path, and the wait returns once
// the program has ended.
TEST_F(PlatformLinux, StartsAProgramWithOneParameterAndWaitsForItsEnd) {
  const fs::path script = root_ / "record args";
  std::ofstream(script) << "#!/bin/sh\nsleep 0.2\necho \"$#:$1\" >> \"$(dirname \"$0\")/args.txt\"\n";
  fs::permissions(script, fs::perms::owner_all);
  const struct {
    std::u16string file;
    std::u16string parameters;
    const char* recorded;
  } cases[] = {
      {Path("record args"), u"cut", "1:cut"},
      {u"\"" + Path("record args") + u"\"", u"-onlymain x", "1:-onlymain x"},
      {Path("record args"), u"", "0:"},
  };
  for (const auto& c : cases) {
    fs::remove(root_ / "args.txt");
    platform::ChildProcess child = platform::StartChildProcess(c.file, c.parameters);
    ASSERT_TRUE(child.Started());
    child.Wait();
    std::ifstream in(root_ / "args.txt");
    std::string line;
    ASSERT_TRUE(std::getline(in, line)) << "the wait returned before the program ended";
    EXPECT_EQ(line, c.recorded);
  }
  EXPECT_FALSE(platform::StartChildProcess(Path("missing"), u"cut").Started());
  EXPECT_FALSE(platform::StartChildProcess(Path("folder"), u"cut").Started());
}

TEST(PlatformLinuxModules, LoadsByFullPathOnlyAndFindsEntriesByOrdinalName) {
  const std::u16string path = platform::Utf16FromUtf8(VIDORRA_TAVREL_PATH);
  platform::ModuleHandle module = platform::LoadModuleFromPath(path);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(platform::FindModuleEntryByOrdinal(module, launcher::RemoveUpdateCheckEntry), nullptr);
  EXPECT_EQ(platform::FindModuleEntryByOrdinal(module, {13, "NoSuchEntry"}), nullptr);
  platform::FreeModule(module);

  // A bare name would be searched for: refused.
  EXPECT_EQ(platform::LoadModuleFromPath(u"libTavrel.so"), nullptr);
  EXPECT_EQ(platform::LoadModuleFromPath(u"/nonexistent/libTavrel.so"), nullptr);
}

TEST(PlatformLinuxCommandLine, ConvertsArgvAfterTheProgramName) {
  const char* argv[] = {"VidorraMain", "", "a\xFF", nullptr, "参数"};
  const platform::CommandLine line = platform::ReadCommandLine(5, argv);
  EXPECT_FALSE(line.wholeLine.has_value());
  EXPECT_EQ(line.arguments, (std::vector<std::u16string>{u"", u"a\xDCFF", u"", u"参数"}));

  EXPECT_TRUE(platform::ReadCommandLine(0, argv).arguments.empty());
  EXPECT_TRUE(platform::ReadCommandLine(3, nullptr).arguments.empty());
}

}  // namespace
