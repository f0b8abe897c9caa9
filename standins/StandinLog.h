// The stand-ins' shared record: one log that both the update-service library
// and the starter append to, and the folder where it lives.
//
// Folder: $TAVREL_DIR when set, otherwise $XDG_STATE_HOME/Tavrel when that is
// an absolute path, otherwise $HOME/.local/state/Tavrel; created on demand.
// Nothing is written when none of them is set or the folder cannot be made.
// Files there:
//   Tavrel.log        one line per call: the entry (or program) name, then
//                     key=value fields, all separated by tabs
//   UpdateChecks.txt  the installed update checks, one per line:
//                     name, program, description, interval, tab-separated
// Values are UTF-8 with backslash, tab, CR and LF escaped as \\ \t \r \n.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standins {

using TLogFields = std::vector<std::pair<std::string, std::string>>;

std::optional<std::filesystem::path> StandinFolder();

std::string EscapeField(std::string_view text);
std::string UnescapeField(std::string_view text);

// Appends one line "name\tkey=value\t...". Failures are ignored.
void AppendLogLine(std::string_view name, const TLogFields& fields);

// One line of the log, read back with its values unescaped.
struct TLogLine {
  std::string name;
  std::map<std::string, std::string> fields;
};

// Every line of the log file at `path`; none when it cannot be read.
std::vector<TLogLine> ReadLog(const std::filesystem::path& path);

// The lines as text, one per line, for test messages.
std::string Describe(const std::vector<TLogLine>& lines);

// One installed update check of UpdateChecks.txt.
struct TUpdateCheck {
  std::string name, program, description, interval;
};

// The records of the file at `path`, unescaped; a line without exactly four
// fields is skipped. None when the file cannot be read.
std::vector<TUpdateCheck> ReadUpdateChecks(const std::filesystem::path& path);

}  // namespace standins
