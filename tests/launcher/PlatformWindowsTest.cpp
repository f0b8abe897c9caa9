// The Windows implementations of the process services, for real under Wine,
// and the launcher's version record as Windows reads it back.
#include "launcher/CommandLine.h"
#include "launcher/DLLExportFunc.h"
#include "platform/CommandLine.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/RunningMark.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef FreeModule

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::u16string U16(const fs::path& path) {
  const std::wstring text = path.wstring();
  return std::u16string(text.begin(), text.end());
}

// The folder of this test program, where the build puts Tavrel.dll and
// VidorraMain.exe too.
fs::path ProgramFolder() {
  const std::u16string own = platform::OwnExecutablePath();
  return fs::path(std::wstring(own.begin(), own.end())).parent_path();
}

class PlatformWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vidorra-platform-" + std::to_string(::GetCurrentProcessId()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "folder");
    std::ofstream(root_ / u8"文件") << "x";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::current_path(ProgramFolder(), ignored);
    fs::remove_all(root_, ignored);
  }
  fs::path root_;
};

TEST_F(PlatformWindows, FileExistsOnlyForFiles) {
  EXPECT_TRUE(platform::FileExists(U16(root_ / u8"文件")));
  EXPECT_FALSE(platform::FileExists(U16(root_ / "folder")));
  EXPECT_FALSE(platform::FileExists(U16(root_ / "missing")));
  EXPECT_FALSE(platform::FileExists(u""));
}

TEST_F(PlatformWindows, ChangesTheCurrentDirectory) {
  EXPECT_FALSE(platform::ChangeCurrentDirectory(U16(root_ / u8"文件")));
  EXPECT_FALSE(platform::ChangeCurrentDirectory(u""));
  EXPECT_TRUE(platform::ChangeCurrentDirectory(U16(root_ / "folder")));
  EXPECT_EQ(fs::current_path(), root_ / "folder");
}

TEST(PlatformWindowsProcess, OwnPathAndCommandLine) {
  const std::u16string own = platform::OwnExecutablePath();
  ASSERT_GT(own.size(), 3u);
  EXPECT_EQ(own.substr(1, 2), u":\\");
  EXPECT_TRUE(own.ends_with(u"\\launcher_platform_test.exe")) << std::string(own.begin(), own.end());

  // The whole line as the process received it, its first part this program.
  const platform::CommandLine line = platform::ReadCommandLine(0, nullptr);
  ASSERT_TRUE(line.wholeLine.has_value());
  const std::vector<std::u16string> split = launcher::SplitCommandLine(*line.wholeLine);
  ASSERT_FALSE(split.empty());
  EXPECT_TRUE(split[0].ends_with(u"launcher_platform_test.exe"));
}

TEST(PlatformWindowsProcess, WineCountsEveryProcessAsAdministrator) {
  // The launcher's non-administrator path is tested with a restricted token
  // (LauncherProcessWindowsTest); here the plain answer under Wine.
  EXPECT_TRUE(platform::IsAdministrator());
}

// The setup program opens the mark by this name; it exists exactly as long as
// some RunningMark lives (two in one process share it).
TEST(PlatformWindowsProcess, RunningMarkIsTheNamedMutexWhileHeld) {
  // 0 while the mutex exists, otherwise why it could not be opened.
  const auto markState = []() -> DWORD {
    HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\VidorraMain");
    if (mutex == nullptr) return ::GetLastError();
    ::CloseHandle(mutex);
    return 0;
  };
  const DWORD absent = ERROR_FILE_NOT_FOUND;
  EXPECT_EQ(markState(), absent);
  {
    const platform::RunningMark first;
    EXPECT_EQ(markState(), 0u);
    {
      const platform::RunningMark second;
      EXPECT_EQ(markState(), 0u);
    }
    EXPECT_EQ(markState(), 0u);
  }
  EXPECT_EQ(markState(), absent);
}

TEST(PlatformWindowsModules, LoadsByFullPathAndFindsEntriesByOrdinalOnly) {
  const std::u16string path = U16(ProgramFolder() / "Tavrel.dll");
  platform::ModuleHandle module = platform::LoadModuleFromPath(path);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(platform::FindModuleEntryByOrdinal(module, {1, "UpdateServiceStart"}), nullptr);
  EXPECT_NE(platform::FindModuleEntryByOrdinal(module, {11, "InstallUpdateCheck"}), nullptr);
  EXPECT_NE(platform::FindModuleEntryByOrdinal(module, launcher::RemoveUpdateCheckEntry), nullptr);
  EXPECT_EQ(platform::FindModuleEntryByOrdinal(module, {13, "NoSuchEntry"}), nullptr);
  EXPECT_EQ(platform::FindModuleEntryByOrdinal(module, {0x10000, "TooLarge"}), nullptr);
  // The library exports no names.
  EXPECT_EQ(platform::FindModuleEntry(module, "RemoveUpdateCheck"), nullptr);
  platform::FreeModule(module);

  // A bare name would be searched for: refused.
  EXPECT_EQ(platform::LoadModuleFromPath(u"Tavrel.dll"), nullptr);
  EXPECT_EQ(platform::LoadModuleFromPath(u"C:\\nonexistent\\Tavrel.dll"), nullptr);
}

// The version record of VidorraMain.exe as GetFileVersionInfoW reads it.
TEST(LauncherVersionRecord, VersionsLanguageAndNothingElse) {
  const std::wstring path = (ProgramFolder() / "VidorraMain.exe").wstring();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x000A0000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x000A0000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);

  WORD* translation = nullptr;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);

  for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\080403A8\\") + name;
    ASSERT_TRUE(::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length));
    EXPECT_EQ(std::wstring(value), L"10.0.0.1");
  }
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"InternalName", L"LegalCopyright",
                              L"OriginalFilename", L"ProductName", L"Comments"}) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\080403A8\\") + name;
    const bool found = ::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length);
    EXPECT_TRUE(!found || length <= 1) << std::string(query.begin(), query.end());
  }
}

}  // namespace
