#include "platform/Process.h"

#include "platform/TextEncoding.h"

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern char** environ;

namespace platform {

namespace {

// argv for posix_spawn: the program's path first, then the arguments.
struct ArgumentVector {
  std::vector<std::string> texts;
  std::vector<char*> pointers;

  ArgumentVector(const std::string& path, const std::vector<std::u16string>& arguments) {
    texts.reserve(arguments.size() + 1);
    texts.push_back(path);
    for (const auto& argument : arguments) texts.push_back(Utf8FromUtf16(argument));
    pointers.reserve(texts.size() + 1);
    for (auto& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
  }
};

}  // namespace

std::u16string OwnExecutablePath() {
  // readlink does not say whether it cut the link text short: grow the
  // buffer until the text fits with room to spare.
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      return Utf16FromUtf8(buffer);
    }
    if (buffer.size() >= (std::size_t{1} << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

void StartProgram(const std::u16string& program, const std::vector<std::u16string>& arguments) noexcept {
  try {
    const std::string path = Utf8FromUtf16(program);
    if (path.empty()) return;
    ArgumentVector argv(path, arguments);
    pid_t child = 0;
    // posix_spawn, not spawnp: the path is used as given, never searched for.
    (void)::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.pointers.data(), environ);
  } catch (const std::bad_alloc&) {
  }
}

ChildProcess::~ChildProcess() {
  // Not waited for: collect it if it has ended already; otherwise init will.
  if (id_ != 0) (void)::waitpid(static_cast<pid_t>(id_), nullptr, WNOHANG);
}

void ChildProcess::Wait() noexcept {
  if (id_ == 0) return;
  while (::waitpid(static_cast<pid_t>(id_), nullptr, 0) < 0 && errno == EINTR) {
  }
  id_ = 0;
}

ChildProcess StartChildProcess(const std::u16string& file, const std::u16string& parameters) noexcept {
  try {
    // A path in double quotes is the same path.
    std::u16string_view unquoted = file;
    if (unquoted.size() >= 2 && unquoted.front() == u'"' && unquoted.back() == u'"')
      unquoted = unquoted.substr(1, unquoted.size() - 2);
    const std::string path = Utf8FromUtf16(unquoted);
    if (path.empty()) return {};
    std::vector<std::u16string> arguments;
    if (!parameters.empty()) arguments.push_back(parameters);
    ArgumentVector argv(path, arguments);
    pid_t child = 0;
    if (::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv.pointers.data(), environ) != 0) return {};
    return ChildProcess(child);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool IsAdministrator() noexcept { return ::geteuid() == 0; }

}  // namespace platform
