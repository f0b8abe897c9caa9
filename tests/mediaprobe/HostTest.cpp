// libMetaScope.so in hosts as they really are: programs that never set a
// locale, that run in a UTF-8 or a GB18030 locale, that probe from many
// threads at once, and that probe a folder holding a library of MediaInfo's
// name. The real MediaInfo library answers throughout.
//
// Hosts with their own environment are this same program started again with
// --host (see HostMain): it probes the files named on its command line,
// prints one line per file, and says whenever a call of the library left the
// process's or the thread's locale otherwise than it found it.
#include <fcntl.h>
#include <iconv.h>
#include <locale.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ProbeTestSupport.h"
#include "libMetaScopeSDK.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using probetest::ErrorLine;
using probetest::TempDir;

const fs::path kMedia = MEDIA_FIXTURES_DIR;

// The names a user's files have, as UTF-8.
const char* const kUtf8Names[] = {
    "vacances \xC3\xA9t\xC3\xA9.mp4",                  // French, Latin letters with accents
    "\xE5\xAE\xB6\xE5\xBA\xAD\xE5\xBD\x95\xE5\x83\x8F.mp4",  // Chinese, "home video"
    "\xF0\x9F\x98\x80 party.mp4",                      // an emoji, outside the 16-bit range
};
// Bytes that are a name to the system but text in no character set.
const char kNoCharsetName[] = "\xFF\xFE.mp4";

std::string ToGb18030(const std::string& utf8) {
  iconv_t converter = iconv_open("GB18030", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in = utf8;
  std::string out(in.size() * 4 + 4, '\0');
  char* source = in.data();
  char* target = out.data();
  std::size_t sourceLeft = in.size();
  std::size_t targetLeft = out.size();
  const std::size_t converted = iconv(converter, &source, &sourceLeft, &target, &targetLeft);
  iconv_close(converter);
  if (converted == static_cast<std::size_t>(-1) || sourceLeft != 0) return {};
  out.resize(out.size() - targetLeft);
  return out;
}

// ---------------------------------------------------------------------------
// The host side.

// The locale as the process and the calling thread see it.
struct LocaleState {
  std::string process;  // setlocale(LC_ALL, NULL)
  locale_t thread;      // uselocale(0)
  bool operator==(const LocaleState&) const = default;
};
LocaleState CurrentLocale() {
  const char* process = std::setlocale(LC_ALL, nullptr);
  return {process != nullptr ? process : "", uselocale(static_cast<locale_t>(0))};
}

// Opens `path`, asks its size and channels, closes it. `changed` collects the
// names of the calls after which the locale was not as before.
struct Probed {
  bool opened;
  std::int32_t width, height, channels;
};
Probed ProbeAndWatchLocale(const char* path, std::vector<std::string>& changed) {
  const LocaleState before = CurrentLocale();
  const auto check = [&](const char* call) {
    if (!(CurrentLocale() == before)) changed.push_back(call);
  };
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path);
  check("MediaInfoOpenFile");
  if (context == nullptr) return {false, 0, 0, 0};
  Probed probed{true, MediaInfoGetWidth(context), 0, 0};
  check("MediaInfoGetWidth");
  probed.height = MediaInfoGetHeight(context);
  check("MediaInfoGetHeight");
  probed.channels = MediaInfoGetAudioChannels(context);
  check("MediaInfoGetAudioChannels");
  MediaInfoCloseFile(context);
  check("MediaInfoCloseFile");
  return probed;
}

// test_probe_host --host [--setlocale] FILE...: for each FILE one line,
// "N opened W H C" or "N failed"; "N locale changed by CALL" for every call
// that left the locale changed. --setlocale takes the locale from the
// environment first, as a desktop program does; without it the program
// stays in the "C" locale it starts in.
int HostMain(int argc, char** argv) {
  int first = 2;
  if (first < argc && std::strcmp(argv[first], "--setlocale") == 0) {
    if (std::setlocale(LC_ALL, "") == nullptr) {
      std::printf("setlocale failed\n");
      return 2;
    }
    ++first;
  }
  for (int i = first; i < argc; ++i) {
    std::vector<std::string> changed;
    const Probed p = ProbeAndWatchLocale(argv[i], changed);
    if (p.opened) {
      std::printf("%d opened %d %d %d\n", i - first, p.width, p.height, p.channels);
    } else {
      std::printf("%d failed\n", i - first);
    }
    for (const std::string& call : changed) std::printf("%d locale changed by %s\n", i - first, call.c_str());
  }
  return 0;
}

// ---------------------------------------------------------------------------
// The test side.

struct HostRun {
  int status = -1;
  std::string out, err;
};

// Runs this program as a host with `arguments` after --host, in folder
// `cwd`, with this process's environment less every locale variable and
// METASCOPE_TRACE and LD_LIBRARY_PATH, plus `environment`.
HostRun RunHost(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                const fs::path& cwd) {
  TempDir outputs;
  const fs::path outPath = outputs.path() / "out", errPath = outputs.path() / "err";
  const std::string self = fs::read_symlink("/proc/self/exe").string();

  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (name == "LANG" || name == "LANGUAGE" || name.rfind("LC_", 0) == 0 || name == "METASCOPE_TRACE" ||
        name == "LD_LIBRARY_PATH") {
      continue;
    }
    env.push_back(variable);
  }
  env.insert(env.end(), environment.begin(), environment.end());
  std::vector<std::string> args = {self, "--host"};
  args.insert(args.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv, envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(cwd.c_str()) != 0) _exit(126);
    execve(self.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  HostRun run;
  if (child < 0) return run;
  int status = 0;
  if (waitpid(child, &status, 0) == child && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.out = probetest::ReadText(outPath);
  run.err = probetest::ReadText(errPath);
  return run;
}

std::string Opened(std::size_t index) { return std::to_string(index) + " opened 32 24 2\n"; }
std::string Failed(std::size_t index) { return std::to_string(index) + " failed\n"; }

// Copies of clip.mp4 under `names` in `folder`; their full paths.
std::vector<std::string> ClipsNamed(const fs::path& folder, const std::vector<std::string>& names) {
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    const std::string path = folder.native() + "/" + name;
    fs::copy_file(kMedia / "clip.mp4", path);
    paths.push_back(path);
  }
  return paths;
}

bool LocaleExists(const char* name) {
  const locale_t locale = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  freelocale(locale);
  return true;
}

// Every name opens, answers the clip's own values and is named right in the
// close report (the very bytes the host gave); the name valid in no
// character set fails with the open error; no call changes the locale.
void ExpectHostOpensEveryName(const std::vector<std::string>& environment, bool setsLocale,
                              const std::vector<std::string>& names) {
  TempDir dir;
  std::vector<std::string> all = names;
  all.push_back(kNoCharsetName);
  const std::vector<std::string> paths = ClipsNamed(dir.path(), all);
  std::vector<std::string> arguments;
  if (setsLocale) arguments.push_back("--setlocale");
  arguments.insert(arguments.end(), paths.begin(), paths.end());
  std::vector<std::string> env = environment;
  env.push_back("METASCOPE_TRACE=all");

  const HostRun run = RunHost(arguments, env, dir.path());
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  std::string expected;
  for (std::size_t i = 0; i < names.size(); ++i) expected += Opened(i);
  expected += Failed(names.size());
  EXPECT_EQ(run.out, expected);

  const std::vector<std::string> lines = probetest::Lines(run.err);
  for (std::size_t i = 0; i < names.size(); ++i) {
    bool named = false;
    for (const std::string& line : lines) {
      if (line.find("Complete name") != std::string::npos && line.find(paths[i]) != std::string::npos) named = true;
    }
    EXPECT_TRUE(named) << "the close report names " << paths[i] << " as given:\n" << run.err;
  }
  EXPECT_NE(run.err.find(ErrorLine("Open file fail!", 122)), std::string::npos) << run.err;
}

std::vector<std::string> Utf8Names() { return {std::begin(kUtf8Names), std::end(kUtf8Names)}; }

std::vector<std::string> Gb18030Names() {
  std::vector<std::string> names;
  for (const char* name : kUtf8Names) names.push_back(ToGb18030(name));
  return names;
}

TEST(HostLocale, AProgramThatNeverSetsALocaleOpensEveryName) {
  ExpectHostOpensEveryName({"LC_ALL=C"}, false, Utf8Names());
}

TEST(HostLocale, AProgramInTheCLocaleOpensEveryName) {
  ExpectHostOpensEveryName({"LC_ALL=C"}, true, Utf8Names());
}

TEST(HostLocale, AProgramInAUtf8LocaleOpensEveryName) {
  ExpectHostOpensEveryName({"LC_ALL=C.UTF-8"}, true, Utf8Names());
}

TEST(HostLocale, AProgramInAGb18030LocaleOpensNamesWrittenInIt) {
  ASSERT_TRUE(LocaleExists("zh_CN.GB18030")) << "no zh_CN.GB18030 locale: run scripts/setup.sh --all";
  const std::vector<std::string> names = Gb18030Names();
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_FALSE(names[i].empty()) << kUtf8Names[i];
    ASSERT_NE(names[i], kUtf8Names[i]);
  }
  ExpectHostOpensEveryName({"LC_ALL=zh_CN.GB18030"}, true, names);
}

// Sixteen threads of one program that never set a locale probe at once:
// eight in the process's "C" locale with UTF-8 names, four that set their own
// C.UTF-8 locale, four their own GB18030 locale with names written in it.
// Every answer is the clip's; neither the process's locale nor any thread's
// own changes across any call.
TEST(ThreadedNames, SixteenThreadsProbeNamesInTheirOwnLocales) {
  ASSERT_TRUE(LocaleExists("zh_CN.GB18030")) << "no zh_CN.GB18030 locale: run scripts/setup.sh --all";
  TempDir dir;
  const std::vector<std::string> utf8 = ClipsNamed(dir.path(), Utf8Names());
  const std::vector<std::string> gb18030 = ClipsNamed(dir.path(), Gb18030Names());
  ASSERT_STREQ(std::setlocale(LC_ALL, nullptr), "C");

  constexpr int kThreads = 16;
  constexpr int kRounds = 4;
  struct Outcome {
    int opened = 0;
    int wrong = 0;
    std::vector<std::string> changed;
    bool ownLocale = true;
  };
  std::vector<Outcome> outcomes(kThreads);
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      Outcome& outcome = outcomes[static_cast<std::size_t>(t)];
      const char* localeName = t < 8 ? nullptr : t < 12 ? "C.UTF-8" : "zh_CN.GB18030";
      const std::vector<std::string>& names = t < 12 ? utf8 : gb18030;
      locale_t own = static_cast<locale_t>(0);
      if (localeName != nullptr) {
        own = newlocale(LC_ALL_MASK, localeName, static_cast<locale_t>(0));
        if (own == static_cast<locale_t>(0) || uselocale(own) == static_cast<locale_t>(0)) {
          outcome.ownLocale = false;
          return;
        }
      }
      ready.fetch_add(1);
      while (ready.load() < kThreads) std::this_thread::yield();
      for (int round = 0; round < kRounds; ++round) {
        for (const std::string& name : names) {
          const Probed p = ProbeAndWatchLocale(name.c_str(), outcome.changed);
          if (p.opened) ++outcome.opened;
          if (!p.opened || p.width != 32 || p.height != 24 || p.channels != 2) ++outcome.wrong;
        }
      }
      if (own != static_cast<locale_t>(0)) {
        outcome.ownLocale = uselocale(LC_GLOBAL_LOCALE) == own;
        freelocale(own);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    const Outcome& outcome = outcomes[static_cast<std::size_t>(t)];
    EXPECT_TRUE(outcome.ownLocale) << "thread " << t;
    EXPECT_EQ(outcome.opened, kRounds * 3) << "thread " << t;
    EXPECT_EQ(outcome.wrong, 0) << "thread " << t;
    EXPECT_TRUE(outcome.changed.empty()) << "thread " << t << ": locale changed by " << outcome.changed.front();
  }
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

// A folder of media that also holds a library of MediaInfo's name, made the
// current folder of the host: the probe still uses the system's MediaInfo.
// The stand-in there answers a width of 999 once loaded, as the second run
// shows when the search path is made to name that folder.
TEST(LibrarySearch, ALibraryInTheCurrentFolderIsNotLoaded) {
  TempDir dir;
  fs::copy_file(FAKE_MEDIAINFO_PATH, dir.path() / "libmediainfo.so.0");
  fs::copy_file(kMedia / "clip.mp4", dir.path() / "clip.mp4");
  const fs::path script = dir.path() / "script.txt";
  const fs::path log = dir.path() / "fake.log";
  probetest::WriteText(script, "get 1 Width=999\nget 1 Height=999\nget 2 Channel(s)=9\n");
  const std::vector<std::string> fake = {"FAKE_MEDIAINFO_SCRIPT=" + script.string(),
                                         "FAKE_MEDIAINFO_LOG=" + log.string()};

  std::vector<std::string> env = fake;
  env.push_back("LD_LIBRARY_PATH=");
  HostRun run = RunHost({"clip.mp4"}, env, dir.path());
  EXPECT_EQ(run.out, Opened(0)) << run.err;
  EXPECT_FALSE(fs::exists(log)) << probetest::ReadText(log);

  env = fake;
  env.push_back("LD_LIBRARY_PATH=" + dir.path().string());
  run = RunHost({"clip.mp4"}, env, dir.path());
  EXPECT_EQ(run.out, "0 opened 999 999 9\n") << run.err;
  EXPECT_TRUE(fs::exists(log));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--host") == 0) return HostMain(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
