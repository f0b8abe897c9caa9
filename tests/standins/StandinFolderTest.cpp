// Where the stand-ins keep their log and update checks.
#include "standins/StandinLog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

void SetOrUnset(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ASSERT_EQ(setenv(name, value->c_str(), 1), 0);
  } else {
    ASSERT_EQ(unsetenv(name), 0);
  }
}

TEST(StandinFolder, FollowsTavrelDirThenXdgStateHomeThenHome) {
  std::string pattern = (fs::temp_directory_path() / "vidorra-standin-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path root = pattern;
  const std::string home = (root / "home").string(), state = (root / "state").string(),
                    tavrel = (root / "tavrel").string();
  struct Case {
    const char* what;
    std::optional<std::string> tavrelDir, xdgStateHome, homeDir;
    std::optional<fs::path> expected;
  };
  const Case cases[] = {
      {"TAVREL_DIR first", tavrel, state, home, fs::path(tavrel)},
      {"XDG_STATE_HOME", std::nullopt, state, home, fs::path(state) / "Tavrel"},
      {"empty TAVREL_DIR", std::string(), state, home, fs::path(state) / "Tavrel"},
      {"HOME", std::nullopt, std::nullopt, home, fs::path(home) / ".local/state/Tavrel"},
      {"empty XDG_STATE_HOME", std::nullopt, std::string(), home, fs::path(home) / ".local/state/Tavrel"},
      {"relative XDG_STATE_HOME", std::nullopt, std::string("state"), home,
       fs::path(home) / ".local/state/Tavrel"},
      {"nothing set", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetOrUnset("TAVREL_DIR", c.tavrelDir);
    SetOrUnset("XDG_STATE_HOME", c.xdgStateHome);
    SetOrUnset("HOME", c.homeDir);
    const auto folder = standins::StandinFolder();
    EXPECT_EQ(folder, c.expected);
    if (c.expected) {
      EXPECT_TRUE(fs::is_directory(*c.expected));
    }
  }
  fs::remove_all(root);
}

}  // namespace
