// The real VidorraMain in a temporary install folder laid out by the install
// rules, with the stand-in update-service library and starter beside it.
#include "ChildProcess.h"
#include "launcher/DLLExportFunc.h"
#include "launcher/StartupConstants.h"
#include "launcher/UpdateServiceCalls.h"
#include "platform/Process.h"
#include "platform/TextEncoding.h"
#include "standins/StandinLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using testing_support::RunChild;
using testing_support::TChildResult;

namespace {

const std::string kTaskName = platform::Utf8FromUtf16(launcher::UpdateTaskName);

using standins::Describe;
using standins::TLogLine;

class LauncherProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vidorra-launcher-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = fs::canonical(pattern);
    // An unprivileged user must be able to run the installed programs and
    // write the stand-ins' files.
    fs::permissions(root_, fs::perms(0755));
    // The launcher's folder in the install tree.
    install_ = root_ / "install" / "lib" / "vidorra";
    state_ = root_ / "state";
    fs::create_directories(state_);
    fs::permissions(state_, fs::perms(0777));
    fs::create_directories(root_ / "scratch");

    const TChildResult installed = RunChild(
        {VIDORRA_CMAKE_COMMAND, "--install", VIDORRA_BUILD_DIR, "--component", "launcher",
         "--prefix", (root_ / "install").string()},
        testing_support::EnvironmentWith({}), root_ / "scratch");
    ASSERT_TRUE(installed.exited && installed.exitCode == 0) << installed.out << installed.err;
    launcher_ = install_ / "VidorraMain";
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Runs the installed launcher; as the unprivileged user "nobody" when asked
  // to and the tests run as root (on Linux, administrator means root).
  TChildResult RunLauncher(const std::vector<std::string>& arguments,
                           std::optional<std::string> action, bool unprivileged = false,
                           bool withoutDisplay = false) {
    std::vector<std::string> argv;
    if (unprivileged && platform::IsAdministrator())
      argv = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
    argv.push_back(launcher_.string());
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::map<std::string, std::optional<std::string>> changes = {
        {"TAVREL_DIR", state_.string()}, {"TAVREL_ACTION", action}, {"LD_LIBRARY_PATH", {}}};
    if (withoutDisplay) {
      changes["DISPLAY"] = std::nullopt;
      changes["WAYLAND_DISPLAY"] = std::nullopt;
      changes["SDL_VIDEODRIVER"] = std::nullopt;
    }
    const auto environment = testing_support::EnvironmentWith(changes);
    return RunChild(argv, environment, root_ / "scratch");
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

  static void ExpectQuietSuccess(const TChildResult& result) {
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
  }

  fs::path root_, install_, state_, launcher_;
};

TEST_F(LauncherProcess, InstallThenUninstallIsARoundTrip) {
  // Install the launcher's check the way the main window does, beside
  // another product's check; then uninstall with the launcher.
  ASSERT_EQ(setenv("TAVREL_DIR", state_.c_str(), 1), 0);
  const launcher::TLibraryText program(platform::Utf16FromUtf8(launcher_.string()));
  const launcher::TLibraryText other(u"another product's check");
  const launcher::TLibraryText description(u"");
  InstallUpdateCheck(program.Pointer(), other.Pointer(), description.Pointer(), 60);
  launcher::CallInstallUpdateCheck(platform::Utf16FromUtf8(launcher_.string()));
  ASSERT_EQ(InstalledChecks(), (std::vector<std::string>{"another product's check", kTaskName}));
  const auto installed = ReadLog();
  ASSERT_EQ(installed.size(), 2u) << Describe(installed);
  const std::map<std::string, std::string> expectedInstall = {
      {"program", launcher_.string()},
      {"name", kTaskName},
      {"description", platform::Utf8FromUtf16(launcher::UpdateTaskDescription)},
      {"interval", "180"}};
  EXPECT_EQ(installed[1].fields, expectedInstall);

  ExpectQuietSuccess(RunLauncher({"-UnInStAlL", "extra", "arguments"}, "exit"));

  // Entry 12 only, with the task name, called in the launcher folder.
  const auto lines = ReadLog();
  ASSERT_EQ(lines.size(), 3u) << Describe(lines);
  EXPECT_EQ(lines[2].name, "RemoveUpdateCheck");
  EXPECT_EQ(lines[2].fields.at("name"), kTaskName);
  EXPECT_EQ(lines[2].fields.at("cwd"), install_.string());
  EXPECT_EQ(InstalledChecks(), (std::vector<std::string>{"another product's check"}));
}

TEST_F(LauncherProcess, FiveArgumentsPassArgumentsOneThreeAndFour) {
  ExpectQuietSuccess(
      RunLauncher({"first", "second", "third with blanks", "参数四", "fifth"}, "exit"));

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

TEST_F(LauncherProcess, WithoutADisplayEveryActionWordEndsWithExitCodeZeroAndNoOutput) {
  // The window modes need a display; without one they end silently. (With
  // one, the main window's own tests take over: tests/e2e.)
  for (const std::string& action : {std::string("exit"), std::string("hide"), std::string(), std::string("Exit"), std::string("HIDE")}) {
    SCOPED_TRACE("action word \"" + action + "\"");
    fs::remove(state_ / "Tavrel.log");
    ExpectQuietSuccess(RunLauncher({"-x"}, action, false, /*withoutDisplay=*/true));
    const auto lines = ReadLog();
    ASSERT_EQ(lines.size(), 1u) << Describe(lines);
    EXPECT_EQ(lines[0].name, "UpdateServiceStart");
    EXPECT_EQ(lines[0].fields.at("action"), action);
  }
}

TEST_F(LauncherProcess, WithoutArgumentsAndWithoutRootHandsOverToTheStarter) {
  // Empty entries in argv count as no arguments.
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"", ""}}) {
    SCOPED_TRACE(std::to_string(arguments.size()) + " empty arguments");
    fs::remove(state_ / "Tavrel.log");
    ExpectQuietSuccess(RunLauncher(arguments, "exit", /*unprivileged=*/true));

    // The starter runs the launcher again with one argument and logs when
    // that run has ended.
    const auto lines = WaitForLogLine("QBStart-done");
    ASSERT_EQ(lines.size(), 3u) << Describe(lines);
    EXPECT_EQ(lines[0].name, "QBStart");
    EXPECT_EQ(lines[0].fields.at("launcher"), launcher_.string());
    // The only call of entry 1 is the relaunched run's, after the hand-over.
    EXPECT_EQ(lines[1].name, "UpdateServiceStart");
    EXPECT_EQ(lines[1].fields.at("arg1"), "-qbstart");
    EXPECT_EQ(lines[2].name, "QBStart-done");
    EXPECT_EQ(lines[2].fields.at("status"), "0");
  }
}

TEST_F(LauncherProcess, AsRootWithoutArgumentsAsksTheLibraryWithEmptyArguments) {
  if (!platform::IsAdministrator()) GTEST_SKIP() << "needs root";
  ExpectQuietSuccess(RunLauncher({}, "exit"));
  // A hand-over would log from the starter shortly after the launcher ended.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto lines = ReadLog();
  ASSERT_EQ(lines.size(), 1u) << Describe(lines);
  EXPECT_EQ(lines[0].name, "UpdateServiceStart");
  EXPECT_EQ(lines[0].fields.at("arg1"), "");
  EXPECT_EQ(lines[0].fields.at("arg3"), "");
  EXPECT_EQ(lines[0].fields.at("arg4"), "");
}

TEST_F(LauncherProcess, WithoutTheLibraryOrAnEntryBoundAtLoadTheProcessDoesNotStart) {
  struct TCase {
    const char* name;
    const char* replacement;  // null: no library at all
    const char* missing;      // what the loader reports missing
  };
  for (const TCase& c : {TCase{"no library", nullptr, "libTavrel.so"},
                         TCase{"no entry 1", VIDORRA_TAVREL_LACKING_1, "UpdateServiceStart"},
                         TCase{"no entry 11", VIDORRA_TAVREL_LACKING_11, "InstallUpdateCheck"}}) {
    SCOPED_TRACE(c.name);
    fs::remove(install_ / "libTavrel.so");
    if (c.replacement != nullptr) fs::copy_file(c.replacement, install_ / "libTavrel.so");
    // "-uninstall" would otherwise run without calling entry 1 or 11.
    const TChildResult result = RunLauncher({"-uninstall"}, "exit");
    EXPECT_TRUE(result.exited);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find(c.missing), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(state_ / "Tavrel.log"));
  }
}

}  // namespace
