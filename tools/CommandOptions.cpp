#include "CommandOptions.h"

#include <getopt.h>

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace metascope::tool {
namespace {

// Values getopt_long answers for the long options: above every character, so
// that optopt tells a long option's error from a short one's.
enum : int {
  kFirstLong = 0x100,
  kJson = kFirstLong,
  kRecursive,
  kJobs,
  kTimeout,
  kTrace,
  kProgress,
  kNoProgress,
  kVersion,
  kHelp,
};

// In the order of the values above.
const option kLongOptions[] = {
    {"json", no_argument, nullptr, kJson},
    {"recursive", no_argument, nullptr, kRecursive},
    {"jobs", required_argument, nullptr, kJobs},
    {"timeout", required_argument, nullptr, kTimeout},
    {"trace", no_argument, nullptr, kTrace},
    {"progress", no_argument, nullptr, kProgress},
    {"no-progress", no_argument, nullptr, kNoProgress},
    {"version", no_argument, nullptr, kVersion},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};
constexpr int kLongOptionCount = sizeof kLongOptions / sizeof kLongOptions[0] - 1;

// No leading '+': options and operands may come in any order (unless
// POSIXLY_CORRECT is set, which both implementations honour).
constexpr char kShortOptions[] = "rj:h";

bool ParseJobs(std::string_view text, unsigned& jobs) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), jobs);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && jobs >= 1 && jobs <= 1024;
}

bool ParseSeconds(std::string_view text, int& milliseconds) {
  double seconds = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (!(seconds > 0) || seconds > 86400) return false;
  milliseconds = static_cast<int>(std::ceil(seconds * 1000));
  return true;
}

// What getopt_long's '?' meant. Its own messages are off (opterr = 0): glibc
// and MinGW-w64 word them differently, and the BSD code in MinGW-w64 answers
// ':' or '?' for an argument given to a long option that takes none where
// glibc always answers '?'. Both leave the same optopt, though: the long
// option's value, the short option's character, or 0 for a long option that
// is unknown or ambiguous, which is then the argument just read.
std::string DescribeError(int argc, char** argv) {
  if (optopt >= kFirstLong && optopt < kFirstLong + kLongOptionCount) {
    const option& known = kLongOptions[optopt - kFirstLong];
    return std::string("option '--") + known.name +
           (known.has_arg == required_argument ? "' requires an argument" : "' doesn't allow an argument");
  }
  if (optopt != 0) {
    const std::string letter(1, static_cast<char>(optopt));
    for (const char* c = kShortOptions; *c != '\0'; ++c) {
      if (*c == optopt && c[1] == ':') return "option requires an argument -- '" + letter + "'";
    }
    return "invalid option -- '" + letter + "'";
  }
  const std::string_view text = optind >= 1 && optind <= argc ? argv[optind - 1] : "";
  if (text.substr(0, 2) != "--") return "unrecognized option";
  std::string_view name = text.substr(2);
  name = name.substr(0, name.find('='));
  std::string candidates;
  int matches = 0;
  for (int i = 0; i < kLongOptionCount; ++i) {
    if (std::string_view(kLongOptions[i].name).substr(0, name.size()) == name) {
      candidates += std::string(" '--") + kLongOptions[i].name + "'";
      ++matches;
    }
  }
  if (!name.empty() && matches > 1) {
    return "option '" + std::string(text) + "' is ambiguous; possibilities:" + candidates;
  }
  return "unrecognized option '" + std::string(text) + "'";
}

ParseOutcome UsageError(std::string message) {
  return ParseOutcome{ParseOutcome::Kind::kUsageError, std::move(message)};
}

}  // namespace

ParseOutcome ParseCommandLine(int argc, char** argv, Options& options) {
  // A fresh scan whatever came before (0 re-initialises both implementations).
  optind = 0;
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
    if (c == -1) break;
    switch (c) {
      case kJson: options.json = true; break;
      case 'r':
      case kRecursive: options.recursive = true; break;
      case kTrace: options.trace = true; break;
      case kProgress: options.progress = ProgressMode::kOn; break;
      case kNoProgress: options.progress = ProgressMode::kOff; break;
      case 'h':
      case kHelp: return ParseOutcome{ParseOutcome::Kind::kHelp, {}};
      case kVersion: return ParseOutcome{ParseOutcome::Kind::kVersion, {}};
      case 'j':
      case kJobs:
        if (!ParseJobs(optarg, options.jobs)) {
          return UsageError("invalid number of jobs '" + std::string(optarg) + "' (from 1 to 1024)");
        }
        break;
      case kTimeout:
        if (!ParseSeconds(optarg, options.timeoutMs)) {
          return UsageError("invalid time limit '" + std::string(optarg) + "' (seconds, above 0)");
        }
        break;
      default: return UsageError(DescribeError(argc, argv));
    }
  }
  for (int i = optind; i < argc; ++i) options.operands.emplace_back(argv[i]);
  if (options.operands.empty()) return UsageError("no file given");
  return ParseOutcome{};
}

}  // namespace metascope::tool
