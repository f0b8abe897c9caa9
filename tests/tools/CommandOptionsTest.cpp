// The command line as getopt_long reads it. The same table runs on Linux
// (glibc) and under Wine (MinGW-w64's getopt_long): both must agree.
#include "CommandOptions.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using metascope::tool::Options;
using metascope::tool::ParseCommandLine;
using metascope::tool::ParseOutcome;
using metascope::tool::ProgressMode;

struct Parsed {
  ParseOutcome outcome;
  Options options;
};

Parsed Parse(std::initializer_list<const char*> arguments) {
  std::vector<std::string> storage{"metascope"};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : storage) argv.push_back(text.data());
  argv.push_back(nullptr);
  Parsed parsed;
  parsed.outcome = ParseCommandLine(static_cast<int>(storage.size()), argv.data(), parsed.options);
  return parsed;
}

// What the options came to, in one text: "json recursive jobs=2 timeout=500
// progress=on trace | operand operand".
std::string Summary(const Options& o) {
  std::string text;
  if (o.json) text += "json ";
  if (o.recursive) text += "recursive ";
  if (o.jobs != 0) text += "jobs=" + std::to_string(o.jobs) + " ";
  if (o.timeoutMs >= 0) text += "timeout=" + std::to_string(o.timeoutMs) + " ";
  if (o.progress == ProgressMode::kOn) text += "progress=on ";
  if (o.progress == ProgressMode::kOff) text += "progress=off ";
  if (o.trace) text += "trace ";
  text += "|";
  for (const std::string& operand : o.operands) text += " " + operand;
  return text;
}

struct GoodCase {
  std::initializer_list<const char*> arguments;
  const char* summary;
};

TEST(CommandOptions, SpellingsOfTheSameRequest) {
  const GoodCase cases[] = {
      // Bundled short options, with the value glued to the last one.
      {{"-rj2", "--json", "DIR"}, "json recursive jobs=2 | DIR"},
      {{"-rj", "2", "DIR"}, "recursive jobs=2 | DIR"},
      {{"-j2", "a.mp4"}, "jobs=2 | a.mp4"},
      {{"-j", "2", "a.mp4"}, "jobs=2 | a.mp4"},
      {{"--jobs=2", "a.mp4"}, "jobs=2 | a.mp4"},
      {{"--jobs", "2", "a.mp4"}, "jobs=2 | a.mp4"},
      // Unique prefixes of long options; an exact name wins over a longer one.
      {{"--rec", "--js", "--jo=3", "--ti", "1.5", "--tr", "a.mp4"},
       "json recursive jobs=3 timeout=1500 trace | a.mp4"},
      {{"--timeout=0.0001", "a.mp4"}, "timeout=1 | a.mp4"},
      {{"--progress", "a.mp4"}, "progress=on | a.mp4"},
      {{"--no-progress", "a.mp4"}, "progress=off | a.mp4"},
      {{"--progress", "--no-p", "a.mp4"}, "progress=off | a.mp4"},
      // Operands anywhere, in their order; "-" is an operand; "--" ends the
      // options, and what follows it is taken as it is.
      {{"a.mp4", "-r", "b.mp4", "--json", "c.mp4"}, "json recursive | a.mp4 b.mp4 c.mp4"},
      {{"-", "-j", "1", "a.mp4"}, "jobs=1 | - a.mp4"},
      {{"--json", "--", "-r", "--json", "-"}, "json | -r --json -"},
      {{"a.mp4", "--", "--", "-j2"}, "| a.mp4 -- -j2"},
      // The value of -j is the next argument, whatever it looks like.
      {{"-j", "4", "-r", "--", "a.mp4"}, "recursive jobs=4 | a.mp4"},
      {{"-j1024", "a.mp4"}, "jobs=1024 | a.mp4"},
  };
  for (const GoodCase& c : cases) {
    const Parsed parsed = Parse(c.arguments);
    std::string arguments;
    for (const char* a : c.arguments) arguments += std::string(" ") + a;
    EXPECT_EQ(parsed.outcome.kind, ParseOutcome::Kind::kRun) << arguments << ": " << parsed.outcome.message;
    EXPECT_EQ(Summary(parsed.options), c.summary) << arguments;
  }
}

struct BadCase {
  std::initializer_list<const char*> arguments;
  const char* message;
};

TEST(CommandOptions, UsageErrorsInTheUsualWords) {
  const BadCase cases[] = {
      {{"-j"}, "option requires an argument -- 'j'"},
      {{"a.mp4", "-rj"}, "option requires an argument -- 'j'"},
      {{"a.mp4", "--jobs"}, "option '--jobs' requires an argument"},
      {{"a.mp4", "--time"}, "option '--timeout' requires an argument"},
      {{"-x", "a.mp4"}, "invalid option -- 'x'"},
      {{"-rx", "a.mp4"}, "invalid option -- 'x'"},
      {{"--bogus", "a.mp4"}, "unrecognized option '--bogus'"},
      {{"--bogus=1", "a.mp4"}, "unrecognized option '--bogus=1'"},
      {{"--json=yes", "a.mp4"}, "option '--json' doesn't allow an argument"},
      {{"--rec=1", "a.mp4"}, "option '--recursive' doesn't allow an argument"},
      {{"--j", "a.mp4"}, "option '--j' is ambiguous; possibilities: '--json' '--jobs'"},
      {{"--t=1", "a.mp4"}, "option '--t=1' is ambiguous; possibilities: '--timeout' '--trace'"},
      {{"-j", "0", "a.mp4"}, "invalid number of jobs '0' (from 1 to 1024)"},
      {{"-j1025", "a.mp4"}, "invalid number of jobs '1025' (from 1 to 1024)"},
      {{"--jobs=two", "a.mp4"}, "invalid number of jobs 'two' (from 1 to 1024)"},
      {{"-j", "-r", "a.mp4"}, "invalid number of jobs '-r' (from 1 to 1024)"},
      {{"--timeout", "0", "a.mp4"}, "invalid time limit '0' (seconds, above 0)"},
      {{"--timeout=-1", "a.mp4"}, "invalid time limit '-1' (seconds, above 0)"},
      {{"--timeout=1s", "a.mp4"}, "invalid time limit '1s' (seconds, above 0)"},
      {{}, "no file given"},
      {{"-r", "--json"}, "no file given"},
  };
  for (const BadCase& c : cases) {
    const Parsed parsed = Parse(c.arguments);
    std::string arguments;
    for (const char* a : c.arguments) arguments += std::string(" ") + a;
    EXPECT_EQ(parsed.outcome.kind, ParseOutcome::Kind::kUsageError) << arguments;
    EXPECT_EQ(parsed.outcome.message, c.message) << arguments;
  }
}

TEST(CommandOptions, HelpAndVersionEndTheReadingWhereTheyStand) {
  EXPECT_EQ(Parse({"--help"}).outcome.kind, ParseOutcome::Kind::kHelp);
  EXPECT_EQ(Parse({"-h", "--bogus"}).outcome.kind, ParseOutcome::Kind::kHelp);
  EXPECT_EQ(Parse({"--he"}).outcome.kind, ParseOutcome::Kind::kHelp);
  EXPECT_EQ(Parse({"--vers", "-j0"}).outcome.kind, ParseOutcome::Kind::kVersion);
  // An error before them is reported.
  EXPECT_EQ(Parse({"--bogus", "--help"}).outcome.kind, ParseOutcome::Kind::kUsageError);
  // After "--" they are file names.
  EXPECT_EQ(Summary(Parse({"--", "--help"}).options), "| --help");
}

TEST(CommandOptions, EachReadingStartsAfresh) {
  // getopt_long keeps its place in globals; a second reading must not start
  // where the first one stopped (in the middle of a bundle, here).
  EXPECT_EQ(Parse({"-rx", "a.mp4"}).outcome.kind, ParseOutcome::Kind::kUsageError);
  EXPECT_EQ(Summary(Parse({"-j3", "b.mp4"}).options), "jobs=3 | b.mp4");
}

}  // namespace
