#include "launcher/CommandLine.h"

#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using launcher::SplitCommandLine;
using launcher::StartupArgumentsFrom;
using launcher::TStartupArguments;

std::vector<std::string> Utf8(const std::vector<std::u16string>& texts) {
  std::vector<std::string> out;
  for (const auto& text : texts) out.push_back(platform::Utf8FromUtf16(text));
  return out;
}

struct TSplitCase {
  std::u16string line;
  std::vector<std::string> expected;
};

TEST(SplitCommandLine, FollowsTheSplittingRules) {
  const std::vector<TSplitCase> cases = {
      {u"", {}},
      {u"prog a b", {"prog", "a", "b"}},
      // Characters 1 to 32 separate arguments and are skipped before them.
      {u"  prog\t\ta\x01\x1f" u"b \r\n", {"prog", "a", "b"}},
      // Code 0x7F and above belong to the argument.
      {u"prog a\u00a0b \u53c2\u6570", {"prog", "a\u00a0b", "参数"}},
      {u"\"C:\\Program Files\\Vidorra\\VidorraMain.exe\" -uninstall",
       {"C:\\Program Files\\Vidorra\\VidorraMain.exe", "-uninstall"}},
      // A quoted blank is an argument; an empty pair before an argument is not.
      {u"prog \" \"", {"prog", " "}},
      {u"prog \"\"", {"prog"}},
      {u"prog \"\"\"\"x \"\" y", {"prog", "x", "y"}},
      // Quoted stretches join the text around them; the quotes are dropped.
      {u"prog a\"b c\"d", {"prog", "ab cd"}},
      {u"prog a\"\"b", {"prog", "ab"}},
      {u"prog \"a\"\" b\"", {"prog", "a b"}},
      // An unclosed stretch runs to the end of the line.
      {u"prog \"a b", {"prog", "a b"}},
      // A lone quote at the very end adds no (empty) argument.
      {u"prog \"", {"prog"}},
      {u"prog \"\"\"", {"prog"}},
      // A NUL ends the line.
      {std::u16string(u"prog a\0b", 8), {"prog", "a"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8(SplitCommandLine(c.line)), c.expected)
        << "line: " << platform::Utf8FromUtf16(c.line);
  }
}

TEST(StartupArguments, TakesArgumentsOneToFourOfAWholeLine) {
  platform::CommandLine line;
  line.wholeLine = u"\"C:\\V\\VidorraMain.exe\" a \"\" b c d e";
  EXPECT_EQ(StartupArgumentsFrom(line), (TStartupArguments{u"a", u"b", u"c", u"d"}));

  line.wholeLine = u"VidorraMain.exe \"\"";
  EXPECT_EQ(StartupArgumentsFrom(line), TStartupArguments{});
}

TEST(StartupArguments, DropsEmptyEntriesOfSplitArguments) {
  platform::CommandLine line;
  line.arguments = {u"", u"a", u"", u"b", u"c", u"d", u"e"};
  EXPECT_EQ(StartupArgumentsFrom(line), (TStartupArguments{u"a", u"b", u"c", u"d"}));

  line.arguments = {u"", u"x"};
  EXPECT_EQ(StartupArgumentsFrom(line), (TStartupArguments{u"x", u"", u"", u""}));

  line.arguments = {};
  EXPECT_EQ(StartupArgumentsFrom(line), TStartupArguments{});
}

}  // namespace
