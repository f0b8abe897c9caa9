// The real VidorraMain.exe under Wine, in a temporary copy of the install
// folder (cmake --install --component launcher) with the stand-in
// Tavrel.dll and QBStart.exe beside it.
#include "WindowsProcess.h"
#include "launcher/DLLExportFunc.h"
#include "launcher/StartupConstants.h"
#include "launcher/UpdateServiceCalls.h"
#include "platform/TextEncoding.h"
#include "standins/StandinLog.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using testing_support::RunWindowsChild;
using testing_support::TWindowsChildResult;

namespace {

const std::string kTaskName = platform::Utf8FromUtf16(launcher::UpdateTaskName);

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

using standins::Describe;
using standins::TLogLine;

class LauncherProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    root_ = fs::temp_directory_path() /
            ("vidorra-launcher-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
    fs::remove_all(root_);
    install_ = root_ / "install";
    state_ = root_ / "state";
    fs::create_directories(state_);
    fs::create_directories(root_ / "scratch");
    fs::copy(fs::path(VIDORRA_LAUNCHER_INSTALL), install_, fs::copy_options::recursive);
    launcher_ = install_ / "VidorraMain.exe";
    ASSERT_TRUE(fs::is_regular_file(launcher_));
    ASSERT_TRUE(fs::is_regular_file(install_ / "Tavrel.dll"));
    ASSERT_TRUE(fs::is_regular_file(install_ / "QBStart.exe"));
    ASSERT_TRUE(fs::is_directory(install_ / "Core"));
    // Through the C runtime, which passes it on to the process environment:
    // Tavrel.dll loaded into this test reads it with getenv, the children
    // inherit it.
    ASSERT_EQ(::_wputenv_s(L"TAVREL_DIR", state_.wstring().c_str()), 0);
  }

  void TearDown() override {
    ::_wputenv_s(L"TAVREL_ACTION", L"");
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Runs the installed launcher with `arguments` as the rest of its command
  // line, written as given.
  TWindowsChildResult RunLauncher(const std::wstring& arguments, std::optional<std::wstring> action,
                                  bool withoutAdministrators = false) {
    // An empty value removes the variable.
    ::_wputenv_s(L"TAVREL_ACTION", action ? action->c_str() : L"");
    std::wstring line = L"\"" + launcher_.wstring() + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    return RunWindowsChild(launcher_.wstring(), line, (root_ / "scratch").wstring(),
                           withoutAdministrators);
  }

  std::vector<TLogLine> ReadLog() const { return standins::ReadLog(state_ / "Tavrel.log"); }

  // Waits until the log holds a line called `name`; gives up after 30 s.
  std::vector<TLogLine> WaitForLogLine(const std::string& name) const {
    for (int i = 0; i < 1500; ++i) {
      auto lines = ReadLog();
      for (const auto& line : lines)
        if (line.name == name) return lines;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ReadLog();
  }

  std::vector<std::string> InstalledChecks() const {
    std::vector<std::string> names;
    for (const auto& check : standins::ReadUpdateChecks(state_ / "UpdateChecks.txt")) names.push_back(check.name);
    return names;
  }

  static void ExpectQuietSuccess(const TWindowsChildResult& result) {
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
  }

  fs::path root_, install_, state_, launcher_;
};

TEST_F(LauncherProcess, UninstallInMixedCaseCallsOnlyEntry12InTheLauncherFolder) {
  // The launcher's check, installed the way the main window does, beside
  // another product's check.
  const launcher::TLibraryText other(u"another product's check");
  const launcher::TLibraryText program(u"C:\\elsewhere\\other.exe");
  InstallUpdateCheck(program.Pointer(), other.Pointer(), nullptr, 60);
  launcher::CallInstallUpdateCheck(platform::Utf16FromUtf8(Utf8(launcher_)));
  ASSERT_EQ(InstalledChecks(), (std::vector<std::string>{"another product's check", kTaskName}));
  const auto installed = ReadLog();
  ASSERT_EQ(installed.size(), 2u) << Describe(installed);
  EXPECT_EQ(installed[1].fields.at("program"), Utf8(launcher_));
  EXPECT_EQ(installed[1].fields.at("interval"), "180");

  ExpectQuietSuccess(RunLauncher(L"-UnInStAlL extra arguments", L"exit"));

  const auto lines = ReadLog();
  ASSERT_EQ(lines.size(), 3u) << Describe(lines);
  EXPECT_EQ(lines[2].name, "RemoveUpdateCheck");
  EXPECT_EQ(lines[2].fields.at("name"), kTaskName);
  EXPECT_EQ(fs::path(platform::Utf16FromUtf8(lines[2].fields.at("cwd"))), install_);
  EXPECT_EQ(InstalledChecks(), (std::vector<std::string>{"another product's check"}));
}

TEST_F(LauncherProcess, FiveArgumentsPassArgumentsOneThreeAndFour) {
  ExpectQuietSuccess(RunLauncher(L"first second \"third with blanks\" 参数四 fifth", L"exit"));

  const auto lines = ReadLog();
  ASSERT_EQ(lines.size(), 1u) << Describe(lines);
  EXPECT_EQ(lines[0].name, "UpdateServiceStart");
  const std::map<std::string, std::string> expected = {
      {"slot", "empty"},
      {"app", "set"},
      {"url", platform::Utf8FromUtf16(launcher::UpdateServerUrl)},
      {"vendor", "qnby"},
      {"product", "116"},
      {"version", "10.0.0.1"},
      {"arg1", "first"},
      {"arg3", "third with blanks"},
      {"arg4", "参数四"},
      {"action", "exit"}};
  EXPECT_EQ(lines[0].fields, expected);
}

TEST_F(LauncherProcess, ExitEndsQuietlyWhateverTheArgumentsAre) {
  // Under Wine every process counts as administrator: with no argument (an
  // empty pair of quotes is none) the library is asked with empty
  // arguments; a quoted blank is an argument.
  struct TCase {
    std::wstring arguments;
    std::string arg1;
  };
  for (const TCase& c : {TCase{L"", ""}, TCase{L"\"\"", ""}, TCase{L"\" \"", " "}}) {
    SCOPED_TRACE(platform::Utf8FromUtf16(std::u16string(c.arguments.begin(), c.arguments.end())));
    fs::remove(state_ / "Tavrel.log");
    ExpectQuietSuccess(RunLauncher(c.arguments, L"exit"));
    const auto lines = ReadLog();
    ASSERT_EQ(lines.size(), 1u) << Describe(lines);
    EXPECT_EQ(lines[0].name, "UpdateServiceStart");
    EXPECT_EQ(lines[0].fields.at("arg1"), c.arg1);
    EXPECT_EQ(lines[0].fields.at("arg3"), "");
    EXPECT_EQ(lines[0].fields.at("arg4"), "");
    EXPECT_EQ(lines[0].fields.at("action"), "exit");
  }
}

TEST_F(LauncherProcess, WithoutAdministratorsAndArgumentsHandsOverToTheStarter) {
  ExpectQuietSuccess(RunLauncher(L"", L"exit", /*withoutAdministrators=*/true));

  // The starter runs the launcher again with one argument and logs when that
  // run has ended.
  const auto lines = WaitForLogLine("QBStart-done");
  ASSERT_EQ(lines.size(), 3u) << Describe(lines);
  EXPECT_EQ(lines[0].name, "QBStart");
  EXPECT_EQ(lines[0].fields.at("launcher"), Utf8(launcher_));
  // Quotes as characters: "\"" + std::string trips GCC 12's -Wrestrict at -O3.
  EXPECT_EQ(lines[0].fields.at("parameters"), '"' + Utf8(launcher_) + '"');
  // The only call of entry 1 is the relaunched run's, after the hand-over.
  EXPECT_EQ(lines[1].name, "UpdateServiceStart");
  EXPECT_EQ(lines[1].fields.at("arg1"), "-qbstart");
  EXPECT_EQ(lines[2].name, "QBStart-done");
  EXPECT_EQ(lines[2].fields.at("status"), "0");
}

TEST_F(LauncherProcess, WithoutTavrelDllTheProcessDoesNotStart) {
  fs::remove(install_ / "Tavrel.dll");
  // Were its main program to run, this start would hand over to the starter
  // program, which logs.
  const TWindowsChildResult result = RunLauncher(L"", L"exit", /*withoutAdministrators=*/true);
  EXPECT_TRUE(result.started);
  EXPECT_TRUE(result.ended);
  EXPECT_NE(result.exitCode, 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(fs::exists(state_ / "Tavrel.log")) << Describe(ReadLog());

  // The same start with the library in place does hand over.
  fs::copy_file(fs::path(VIDORRA_LAUNCHER_INSTALL) / "Tavrel.dll", install_ / "Tavrel.dll");
  ExpectQuietSuccess(RunLauncher(L"", L"exit", /*withoutAdministrators=*/true));
  const auto lines = WaitForLogLine("QBStart-done");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].name, "QBStart");
}

}  // namespace
