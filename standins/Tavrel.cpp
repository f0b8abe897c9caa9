// Stand-in for the update-service library.
//
// UpdateServiceStart answers with the action word in $TAVREL_ACTION (UTF-8;
// unset means the empty word). InstallUpdateCheck records the check in
// UpdateChecks.txt, replacing a record of the same name; RemoveUpdateCheck
// drops the record of that name. Every call appends one line with its
// arguments to Tavrel.log (see StandinLog.h). A text argument that breaks the
// interface's form is logged as <bad-text> (length and NUL disagree) or
// <empty-not-null> (a zero-length text passed as a pointer).
#include "launcher/DLLExportFunc.h"
#include "platform/TextEncoding.h"
#include "standins/StandinLog.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr std::size_t kLengthUnits = sizeof(std::int32_t) / sizeof(char16_t);

std::string ReadText(const char16_t* text) {
  if (text == nullptr) return {};
  std::int32_t length = 0;
  std::memcpy(&length, text - kLengthUnits, sizeof length);
  if (length == 0) return "<empty-not-null>";
  if (length < 0) return "<bad-text>";
  // Stops at the first NUL, so a length that claims too much is noticed
  // without reading past the text.
  for (std::int32_t i = 0; i < length; ++i)
    if (text[i] == u'\0') return "<bad-text>";
  if (text[length] != u'\0') return "<bad-text>";
  return platform::Utf8FromUtf16(std::u16string_view(text, static_cast<std::size_t>(length)));
}

// The action word handed out by UpdateServiceStart; valid until its next call.
std::vector<char16_t> ActionText;

char16_t* MakeActionText(const std::u16string& word) {
  ActionText.clear();
  if (word.empty()) return nullptr;
  const auto length = static_cast<std::int32_t>(word.size());
  ActionText.resize(kLengthUnits + word.size() + 1);
  std::memcpy(ActionText.data(), &length, sizeof length);
  std::memcpy(ActionText.data() + kLengthUnits, word.data(), word.size() * sizeof(char16_t));
  ActionText.back() = u'\0';
  return ActionText.data() + kLengthUnits;
}

using TCheckRecord = standins::TUpdateCheck;

bool WriteChecks(const std::filesystem::path& file, const std::vector<TCheckRecord>& records) {
  std::filesystem::path temporary = file;
  temporary += ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const auto& r : records) {
      out << standins::EscapeField(r.name) << '\t' << standins::EscapeField(r.program) << '\t'
          << standins::EscapeField(r.description) << '\t' << standins::EscapeField(r.interval)
          << '\n';
    }
    if (!out.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  return !error;
}

// Rewrites the record list without `name`, then with `added` if given.
bool UpdateChecks(const std::string& name, const TCheckRecord* added) {
  const auto folder = standins::StandinFolder();
  if (!folder) return false;
  const auto file = *folder / "UpdateChecks.txt";
  std::vector<TCheckRecord> records = standins::ReadUpdateChecks(file);
  std::erase_if(records, [&](const TCheckRecord& r) { return r.name == name; });
  if (added != nullptr) records.push_back(*added);
  return WriteChecks(file, records);
}

}  // namespace

extern "C" {

TAVREL_ENTRY std::int32_t TAVREL_CALL UpdateServiceStart(
    char16_t** actionSlot, void* application, const char16_t* serverUrl, const char16_t* vendorCode,
    const char16_t* productId, const char16_t* productVersion, const char16_t* argument1,
    const char16_t* argument3, const char16_t* argument4) {
  try {
    const char* chosen = std::getenv("TAVREL_ACTION");
    const std::string word = chosen == nullptr ? std::string() : std::string(chosen);
    standins::AppendLogLine(
        "UpdateServiceStart",
        {{"slot", actionSlot == nullptr ? "null" : (*actionSlot == nullptr ? "empty" : "dirty")},
         {"app", application == nullptr ? "null" : "set"},
         {"url", ReadText(serverUrl)},
         {"vendor", ReadText(vendorCode)},
         {"product", ReadText(productId)},
         {"version", ReadText(productVersion)},
         {"arg1", ReadText(argument1)},
         {"arg3", ReadText(argument3)},
         {"arg4", ReadText(argument4)},
         {"action", word}});
    if (actionSlot == nullptr) return 1;
    *actionSlot = MakeActionText(platform::Utf16FromUtf8(word));
    return 0;
  } catch (...) {
    return 1;
  }
}

TAVREL_ENTRY std::int32_t TAVREL_CALL InstallUpdateCheck(const char16_t* programPath,
                                                         const char16_t* taskName,
                                                         const char16_t* taskDescription,
                                                         std::int32_t interval) {
  try {
    const TCheckRecord record{ReadText(taskName), ReadText(programPath), ReadText(taskDescription),
                              std::to_string(interval)};
    standins::AppendLogLine("InstallUpdateCheck", {{"program", record.program},
                                                   {"name", record.name},
                                                   {"description", record.description},
                                                   {"interval", record.interval}});
    if (record.name.empty()) return 1;
    return UpdateChecks(record.name, &record) ? 0 : 1;
  } catch (...) {
    return 1;
  }
}

TAVREL_ENTRY std::int32_t TAVREL_CALL RemoveUpdateCheck(const char16_t* taskName) {
  try {
    const std::string name = ReadText(taskName);
    std::error_code error;
    const auto cwd = std::filesystem::current_path(error);
    const std::u8string folder = cwd.u8string();
    standins::AppendLogLine("RemoveUpdateCheck",
                            {{"name", name}, {"cwd", std::string(folder.begin(), folder.end())}});
    if (name.empty()) return 1;
    return UpdateChecks(name, nullptr) ? 0 : 1;
  } catch (...) {
    return 1;
  }
}

}  // extern "C"
