#include "standins/StandinLog.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace standins {

std::optional<std::filesystem::path> StandinFolder() {
  std::filesystem::path folder;
  if (const char* dir = std::getenv("TAVREL_DIR"); dir != nullptr && *dir != '\0') {
    folder = dir;
  } else if (const char* state = std::getenv("XDG_STATE_HOME");
             state != nullptr && std::filesystem::path(state).is_absolute()) {
    // A relative value is invalid and to be ignored.
    folder = std::filesystem::path(state) / "Tavrel";
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    folder = std::filesystem::path(home) / ".local" / "state" / "Tavrel";
  } else {
    return std::nullopt;
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder, error)) return std::nullopt;
  return folder;
}

std::string EscapeField(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeField(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    switch (text[++i]) {
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: out += text[i];
    }
  }
  return out;
}

void AppendLogLine(std::string_view name, const TLogFields& fields) {
  const auto folder = StandinFolder();
  if (!folder) return;
  std::string line(name);
  for (const auto& [key, value] : fields) line += "\t" + key + "=" + EscapeField(value);
  line += "\n";
  // One write of the whole line, appended: the launcher, the starter and a
  // relaunched launcher may write to the same log.
  std::ofstream log(*folder / "Tavrel.log", std::ios::app | std::ios::binary);
  log.write(line.data(), static_cast<std::streamsize>(line.size()));
}

namespace {

// The tab-separated fields of one line, as they stand.
std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::vector<TLogLine> ReadLog(const std::filesystem::path& path) {
  std::vector<TLogLine> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string text; std::getline(in, text);) {
    const std::vector<std::string_view> fields = SplitFields(text);
    TLogLine line;
    line.name = fields.front();
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::size_t equals = fields[i].find('=');
      const std::string_view value =
          equals == std::string_view::npos ? std::string_view() : fields[i].substr(equals + 1);
      line.fields[std::string(fields[i].substr(0, equals))] = UnescapeField(value);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<TUpdateCheck> ReadUpdateChecks(const std::filesystem::path& path) {
  std::vector<TUpdateCheck> records;
  std::ifstream in(path, std::ios::binary);
  for (std::string text; std::getline(in, text);) {
    const std::vector<std::string_view> f = SplitFields(text);
    if (f.size() == 4)
      records.push_back({UnescapeField(f[0]), UnescapeField(f[1]), UnescapeField(f[2]), UnescapeField(f[3])});
  }
  return records;
}

std::string Describe(const std::vector<TLogLine>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line.name;
    for (const auto& [key, value] : line.fields) text += " " + key + "=" + value;
    text += "\n";
  }
  return text;
}

}  // namespace standins
