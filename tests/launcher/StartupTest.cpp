// The start-up decision and the uninstall path, over a test double of the
// platform, the update-service library and the user interface that records
// every call in order.
#include "launcher/DLLExportFunc.h"
#include "launcher/Startup.h"
#include "launcher/StartupConstants.h"
#include "platform/PlatformNames.h"
#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using launcher::TMainWindowMode;
using launcher::TStartupArguments;

std::string U8(std::u16string_view text) { return platform::Utf8FromUtf16(text); }

const std::u16string kSeparator(1, platform::kFolderSeparators[0]);
const std::u16string kFolder = kSeparator + u"opt" + kSeparator + u"Vidorra 安装" + kSeparator;
const std::u16string kOwnPath = kFolder + u"VidorraMain";
const std::u16string kLibraryPath = kFolder + platform::kUpdateServiceLibraryName;
const std::u16string kStarterPath = kFolder + platform::kStarterProgramName;

std::vector<std::string>* RemoveCalls = nullptr;

extern "C" std::int32_t TAVREL_CALL FakeRemoveUpdateCheck(const char16_t* taskName) {
  std::int32_t length = -1;
  if (taskName != nullptr) std::memcpy(&length, taskName - 2, sizeof length);
  RemoveCalls->push_back("RemoveUpdateCheck " +
                         (taskName == nullptr ? std::string("null") : U8(taskName)) +
                         " length=" + std::to_string(length));
  return 0;
}

class TFakeServices final : public launcher::TStartupServices {
 public:
  bool administrator = false;
  std::u16string action;
  std::set<std::u16string> files = {kLibraryPath};
  bool loadFails = false;
  bool entryMissing = false;

  std::vector<std::string> calls;
  launcher::TUpdateServiceStartCall startCall;
  launcher::TLauncherPaths uiPaths;

  TFakeServices() { RemoveCalls = &calls; }
  ~TFakeServices() override { RemoveCalls = nullptr; }

  void MarkRunning() override { calls.push_back("MarkRunning"); }
  bool IsAdministrator() override {
    calls.push_back("IsAdministrator");
    return administrator;
  }
  bool FileExists(const std::u16string& path) override {
    calls.push_back("FileExists " + U8(path));
    return files.count(path) != 0;
  }
  void ChangeCurrentDirectory(const std::u16string& folder) override {
    calls.push_back("ChangeCurrentDirectory " + U8(folder));
  }
  platform::ModuleHandle LoadModuleFromPath(const std::u16string& path) override {
    calls.push_back("LoadModuleFromPath " + U8(path));
    return loadFails ? nullptr : &module_;
  }
  void* FindModuleEntryByOrdinal(platform::ModuleHandle module,
                                 const platform::ModuleEntryId& entry) override {
    EXPECT_EQ(module, &module_);
    calls.push_back("FindModuleEntryByOrdinal " + std::to_string(entry.ordinal) + " " + entry.name);
    return entryMissing ? nullptr : reinterpret_cast<void*>(&FakeRemoveUpdateCheck);
  }
  void FreeModule(platform::ModuleHandle module) override {
    EXPECT_EQ(module, &module_);
    calls.push_back("FreeModule");
  }
  void StartProgram(const std::u16string& program,
                    const std::vector<std::u16string>& arguments) override {
    std::string call = "StartProgram " + U8(program);
    for (const auto& argument : arguments) call += " [" + U8(argument) + "]";
    calls.push_back(call);
  }
  std::u16string UpdateServiceStart(const launcher::TUpdateServiceStartCall& call) override {
    startCall = call;
    calls.push_back("UpdateServiceStart [" + U8(call.argument1) + "] [" + U8(call.argument3) +
                    "] [" + U8(call.argument4) + "]");
    return action;
  }
  void RunUserInterface(TMainWindowMode mode, const launcher::TLauncherPaths& paths) override {
    uiPaths = paths;
    calls.push_back(mode == TMainWindowMode::mwHidden ? "RunUserInterface hidden"
                                                      : "RunUserInterface visible");
  }

 private:
  int module_ = 0;
};

const std::string kUninstallCalls[] = {
    "FileExists " + U8(kLibraryPath),
    "ChangeCurrentDirectory " + U8(kFolder),
    "LoadModuleFromPath " + U8(kLibraryPath),
    "FindModuleEntryByOrdinal 12 RemoveUpdateCheck",
    "RemoveUpdateCheck Quenby更新检查 length=10",
    "FreeModule",
};
const std::vector<std::string> kUninstall(std::begin(kUninstallCalls), std::end(kUninstallCalls));

struct TDecisionCase {
  const char* name;
  TStartupArguments arguments;
  bool administrator;
  std::u16string action;
  std::vector<std::string> expected;
};

// Every run but the uninstall path marks the launcher as running before
// anything else happens.
std::vector<std::string> Marked(std::vector<std::string> calls) {
  calls.insert(calls.begin(), "MarkRunning");
  return calls;
}

TEST(Startup, FollowsTheDecisionTable) {
  const std::string starter = "StartProgram " + U8(kStarterPath) + " [" + U8(kOwnPath) + "]";
  const std::vector<TDecisionCase> cases = {
      {"uninstall in mixed case, other arguments ignored, no running mark",
       {u"-UnInStAlL", u"b", u"c", u"d"}, true, u"", kUninstall},
      {"-uninstall as argument 2 is an ordinary argument, never passed on",
       {u"a", u"-uninstall", u"", u""}, false, u"", Marked({"UpdateServiceStart [a] [] []", "RunUserInterface visible"})},
      {"only ASCII letters are lower-cased",
       {u"-UNİNSTALL", u"", u"", u""}, false, u"exit", Marked({"UpdateServiceStart [-UNİNSTALL] [] []"})},
      {"argument 1, exit", {u"a", u"", u"", u""}, false, u"exit", Marked({"UpdateServiceStart [a] [] []"})},
      {"argument 2 alone counts, hide",
       {u"", u"b", u"", u""}, false, u"hide", Marked({"UpdateServiceStart [] [] []", "RunUserInterface hidden"})},
      {"argument 3, other word", {u"", u"", u"c", u"d"}, false, u"later",
       Marked({"UpdateServiceStart [] [c] [d]", "RunUserInterface visible"})},
      {"action words compare case-sensitively",
       {u"a", u"", u"", u""}, false, u"HIDE", Marked({"UpdateServiceStart [a] [] []", "RunUserInterface visible"})},
      {"", {u"a", u"", u"", u""}, false, u"Exit", Marked({"UpdateServiceStart [a] [] []", "RunUserInterface visible"})},
      {"administrator without arguments, empty word",
       {}, true, u"", Marked({"IsAdministrator", "UpdateServiceStart [] [] []", "RunUserInterface visible"})},
      {"administrator without arguments, exit",
       {}, true, u"exit", Marked({"IsAdministrator", "UpdateServiceStart [] [] []"})},
      {"neither arguments nor administrator", {}, false, u"exit", Marked({"IsAdministrator", starter})},
      {"argument 4 alone does not count", {u"", u"", u"", u"d"}, false, u"", Marked({"IsAdministrator", starter})},
  };
  for (const auto& c : cases) {
    TFakeServices services;
    services.administrator = c.administrator;
    services.action = c.action;
    launcher::RunStartup(services, c.arguments, kOwnPath);
    EXPECT_EQ(services.calls, c.expected) << c.name;
  }
}

TEST(Startup, GivesTheLibraryTheStartupConstantsAndTheUserInterfaceThePaths) {
  TFakeServices services;
  launcher::RunStartup(services, {u"a", u"b", u"c", u"d"}, kOwnPath);

  EXPECT_EQ(services.startCall.serverUrl, launcher::UpdateServerUrl);
  EXPECT_TRUE(services.startCall.serverUrl.starts_with(u"http://"));
  EXPECT_TRUE(services.startCall.serverUrl.ends_with(u"/"));
  EXPECT_EQ(services.startCall.vendorCode, u"qnby");
  EXPECT_EQ(services.startCall.productId, u"116");
  EXPECT_EQ(services.startCall.productVersion, u"10.0.0.1");
  EXPECT_EQ(services.uiPaths.ownPath, kOwnPath);
  EXPECT_EQ(services.uiPaths.folder, kFolder);
}

TEST(Startup, UninstallEndsSilentlyAtEachMissingPiece) {
  struct TCase {
    const char* name;
    bool libraryFile, loadFails, entryMissing;
    std::size_t expectedCalls;  // a prefix of the full uninstall sequence
  };
  const TCase cases[] = {
      {"no library file", false, false, false, 1},
      {"library does not load", true, true, false, 3},
      {"no entry 12", true, false, true, 4},
  };
  for (const auto& c : cases) {
    TFakeServices services;
    if (!c.libraryFile) services.files.clear();
    services.loadFails = c.loadFails;
    services.entryMissing = c.entryMissing;
    launcher::RunStartup(services, {u"-uninstall", u"", u"", u""}, kOwnPath);
    std::vector<std::string> expected(kUninstall.begin(), kUninstall.begin() + static_cast<long>(c.expectedCalls));
    if (c.entryMissing) expected.push_back("FreeModule");  // freed whether or not the entry was found
    EXPECT_EQ(services.calls, expected) << c.name;
  }
}

TEST(Startup, WithoutAnOwnFolderNothingIsLoadedOrStartedFromARelativePath) {
  for (const std::u16string& ownPath : {std::u16string(), std::u16string(u"VidorraMain")}) {
    TFakeServices services;
    launcher::RunStartup(services, {u"-uninstall", u"", u"", u""}, ownPath);
    EXPECT_EQ(services.calls, std::vector<std::string>{});

    TFakeServices noArguments;
    launcher::RunStartup(noArguments, {}, ownPath);
    EXPECT_EQ(noArguments.calls, Marked({"IsAdministrator"}));
  }
}

}  // namespace
