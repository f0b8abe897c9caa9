// Helpers shared by the probe tests: temporary folders, the fake MediaInfo
// library's script and log, and capture of the diagnostic lines (standard
// error on Linux, the debugger output on Windows).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace probetest {

namespace fs = std::filesystem;

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = fs::temp_directory_path() / ("metascope-test-" + std::to_string(rd()));
      if (fs::create_directory(path_)) return;
    }
    throw std::runtime_error("cannot create a temporary folder");
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline std::string ReadText(const fs::path& path) {
  // Through the stream buffer rather than istreambuf_iterator, whose inlined
  // code GCC 12 warns about at -O3 (-Wnull-dereference, a false positive).
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

inline std::string ErrorLine(const std::string& message, int line) {
  return "error = MediaInfo: " + message + "  from file <.\\libMetaScopeSDK>, line " + std::to_string(line) +
         ".\n";
}

inline std::string DebugLine(const std::string& text) {
  return "debug =  MediaInfo: " + text + "  from file <.\\libMetaScopeSDK>, line 308.\n";
}

#if defined(_WIN32)
// Captures the texts written to the debugger output while it lives. The test
// program runs under debugcapture, which appends each text to the file named
// by VIDORRA_DEBUG_OUTPUT_FILE before the writing call returns, so a capture
// only has to read what was appended since it began. (googletest itself
// writes each failure message to the debugger output too, so after a failed
// assertion a capture may hold that message as well.)
class DiagnosticCapture {
 public:
  DiagnosticCapture() {
    const char* file = std::getenv("VIDORRA_DEBUG_OUTPUT_FILE");
    if (file == nullptr) {
      ADD_FAILURE() << "debugger output cannot be captured: run this program under debugcapture";
      return;
    }
    path_ = file;
    std::error_code ec;
    const auto size = fs::file_size(path_, ec);
    start_ = ec ? 0 : size;
  }
  DiagnosticCapture(const DiagnosticCapture&) = delete;
  DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
  std::string Take() {
    if (path_.empty()) return {};
    const std::string all = ReadText(path_);
    return start_ < all.size() ? all.substr(start_) : std::string();
  }

 private:
  fs::path path_;
  std::uintmax_t start_ = 0;
};

inline void SetEnv(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
inline void UnsetEnv(const char* name) { _putenv_s(name, ""); }
#else
// Captures what is written to the process's standard error (file descriptor
// 2, where the diagnostic lines go) while it lives.
class DiagnosticCapture {
 public:
  DiagnosticCapture() { testing::internal::CaptureStderr(); }
  ~DiagnosticCapture() {
    if (!taken_) testing::internal::GetCapturedStderr();
  }
  DiagnosticCapture(const DiagnosticCapture&) = delete;
  DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;
  std::string Take() {
    taken_ = true;
    return testing::internal::GetCapturedStderr();
  }

 private:
  bool taken_ = false;
};

inline void SetEnv(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
inline void UnsetEnv(const char* name) { unsetenv(name); }
#endif

// Runs `body(argument)` on a new thread whose stack is `stackBytes` long and
// waits for it. False when the thread could not be started.
using ThreadBody = void (*)(void* argument);
#if defined(_WIN32)
struct SizedStackStart {
  ThreadBody body;
  void* argument;
};
// A named WINAPI function: a lambda does not convert to a 32-bit __stdcall
// thread routine.
inline DWORD WINAPI RunSizedStackStart(LPVOID p) {
  auto* s = static_cast<SizedStackStart*>(p);
  s->body(s->argument);
  return 0;
}
inline bool RunOnStackOfSize(std::size_t stackBytes, ThreadBody body, void* argument) {
  SizedStackStart start{body, argument};
  HANDLE thread = CreateThread(nullptr, stackBytes, RunSizedStackStart, &start,
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (thread == nullptr) return false;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return true;
}
#else
inline bool RunOnStackOfSize(std::size_t stackBytes, ThreadBody body, void* argument) {
  struct Start {
    ThreadBody body;
    void* argument;
  } start{body, argument};
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  const bool sized = pthread_attr_setstacksize(&attributes, stackBytes) == 0;
  pthread_t thread;
  const bool started = sized && pthread_create(
                                    &thread, &attributes,
                                    [](void* p) -> void* {
                                      auto* s = static_cast<Start*>(p);
                                      s->body(s->argument);
                                      return nullptr;
                                    },
                                    &start) == 0;
  pthread_attr_destroy(&attributes);
  if (started) pthread_join(thread, nullptr);
  return started;
}
#endif

// The fake library's script and call log, in files named by environment
// variables that the fake reads at every call.
class FakeMediaInfoFiles {
 public:
  FakeMediaInfoFiles() : script_(dir_.path() / "script.txt"), log_(dir_.path() / "log.txt") {
    SetEnv("FAKE_MEDIAINFO_SCRIPT", script_.string());
    SetEnv("FAKE_MEDIAINFO_LOG", log_.string());
    WriteText(script_, "");
  }
  ~FakeMediaInfoFiles() {
    UnsetEnv("FAKE_MEDIAINFO_SCRIPT");
    UnsetEnv("FAKE_MEDIAINFO_LOG");
  }
  void Script(const std::string& text) { WriteText(script_, text); }
  std::vector<std::string> Log() const { return Lines(ReadText(log_)); }
  void ClearLog() { WriteText(log_, ""); }
  const fs::path& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  fs::path script_;
  fs::path log_;
};

}  // namespace probetest
