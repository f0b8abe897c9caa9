// metascope [OPTION]... FILE...
//
// Opens each file through libMetaScope's public exports and prints the ten
// answers: as a table, or with --json as one JSON object per line. Every file
// that fails gets one line "metascope: FILE: REASON" on standard error. Exits
// with 1 when any file failed or standard output could not be written, 2 on a
// usage error.
//
// Files are probed by worker processes (platform/WorkerProcess.h), several
// at once, so that a file on which MediaInfo hangs can be given up on; the
// results are printed in the order of the arguments. On a terminal a long run
// shows a progress line on standard error (ProgressLine.h).
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "CommandOptions.h"
#include "FileType.h"
#include "JsonText.h"
#include "MediaInfoEntryPoints.h"
#include "ProgressLine.h"
#include "libMetaScopeSDK.h"
#include "platform/DynamicLibrary.h"
#include "platform/Locale.h"
#include "platform/PlatformNames.h"
#include "platform/Terminal.h"
#include "platform/WorkerProcess.h"

#ifndef METASCOPE_VERSION
#define METASCOPE_VERSION "unknown"
#endif

namespace {

using metascope::tool::JsonObjectLine;
using metascope::tool::Options;
using metascope::tool::ProgressLine;
using metascope::tool::ProgressMode;

struct Answers {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int64_t durationMs = 0;
  std::int32_t videoBitrate = 0;
  double frameRate = 0.0;
  double pixelAspect = 0.0;
  std::int32_t rotation = 0;
  std::int32_t audioChannels = 0;
  std::int32_t audioSampleRate = 0;
  std::int32_t audioBitrate = 0;
};

// What became of one file: its answers, or the reason it has none.
struct Result {
  bool opened = false;
  Answers answers;
  std::string reason;
};

// A Result crosses from the worker process to the tool as bytes: the two
// ends are the same program, so the answers travel as they lie in memory.
std::string Serialize(const Result& result) {
  std::string bytes(1 + sizeof(Answers), '\0');
  bytes[0] = result.opened ? '1' : '0';
  std::memcpy(bytes.data() + 1, &result.answers, sizeof(Answers));
  return bytes + result.reason;
}

Result Deserialize(const std::string& bytes) {
  Result result;
  if (bytes.size() < 1 + sizeof(Answers)) {
    result.reason = "the probe gave no answer";
    return result;
  }
  result.opened = bytes[0] == '1';
  std::memcpy(&result.answers, bytes.data() + 1, sizeof(Answers));
  result.reason = bytes.substr(1 + sizeof(Answers));
  return result;
}

std::string AcceptedExtensionList() {
  std::string list;
  for (std::size_t i = 0; i < metascope::AcceptedExtensionCount(); ++i) {
    if (i > 0) list += ' ';
    list += metascope::AcceptedExtension(i);
  }
  return list;
}

std::string UnsupportedExtensionReason() {
  return "unsupported extension (accepted: " + AcceptedExtensionList() + ")";
}

// Why the MediaInfo library cannot be used, or empty when it loads with all
// its entry points, as libMetaScope needs it.
std::string MediaInfoLibraryProblem() {
  const std::string name = platform::kMediaInfoLibraryName;
  platform::ModuleHandle module = platform::LoadModule(platform::kMediaInfoLibraryName);
  if (module == nullptr) return "the MediaInfo library " + name + " could not be loaded";
  std::string missing;
#define METASCOPE_CHECK_ENTRY(entry, result, parameters) \
  if (missing.empty() && platform::FindModuleEntry(module, #entry) == nullptr) missing = #entry;
  METASCOPE_MEDIAINFO_ENTRY_POINTS(METASCOPE_CHECK_ENTRY)
#undef METASCOPE_CHECK_ENTRY
  platform::FreeModule(module);
  if (missing.empty()) return {};
  return "the MediaInfo library " + name + " could not be loaded (it lacks " + missing + ")";
}

std::string ErrnoReason(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return "no such file";
    case EACCES: return "permission denied";
    default: return std::strerror(error);
  }
}

// Opens, asks the ten queries and closes; on failure finds out why.
Result Probe(const char* path) {
  Result result;
  struct stat info {};
  const bool exists = ::stat(path, &info) == 0;
  const int statError = errno;
  // Anything but a regular file never reaches MediaInfo, which would wait
  // forever on a FIFO.
  if (exists && !S_ISREG(info.st_mode)) {
    result.reason = "not a regular file";
    return result;
  }
  if (MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path)) {
    Answers& a = result.answers;
    a.width = MediaInfoGetWidth(context);
    a.height = MediaInfoGetHeight(context);
    a.durationMs = MediaInfoGetVideoDuration(context);
    a.videoBitrate = MediaInfoGetVideoBitrate(context);
    a.frameRate = MediaInfoGetVideoFramerate(context);
    a.pixelAspect = MediaInfoGetVideoAspect(context);
    a.rotation = MediaInfoGetVideoRotate(context);
    a.audioChannels = MediaInfoGetAudioChannels(context);
    a.audioSampleRate = MediaInfoGetAudioSamples(context);
    a.audioBitrate = MediaInfoGetAudioBitrate(context);
    MediaInfoCloseFile(context);
    result.opened = true;
    return result;
  }
  if (!exists) {
    result.reason = ErrnoReason(statError);
  } else if (metascope::ClassifyPath(path) < 0) {
    result.reason = UnsupportedExtensionReason();
  } else if (std::FILE* file = std::fopen(path, "rb")) {
    std::fclose(file);
    result.reason = MediaInfoLibraryProblem();
    if (result.reason.empty()) result.reason = "MediaInfo could not open it";
  } else {
    result.reason = ErrnoReason(errno);
  }
  return result;
}

// Shortest text that reads back as the same double.
std::string FormatDouble(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string JsonLine(const std::string& path, const Result& result) {
  JsonObjectLine line;
  line.Add("file", path);
  if (!result.opened) return line.Add("error", result.reason).Text();
  const Answers& a = result.answers;
  return line.Add("width", std::int64_t{a.width})
      .Add("height", std::int64_t{a.height})
      .Add("durationMs", std::int64_t{a.durationMs})
      .Add("videoBitrate", std::int64_t{a.videoBitrate})
      .Add("frameRate", a.frameRate)
      .Add("pixelAspect", a.pixelAspect)
      .Add("rotation", std::int64_t{a.rotation})
      .Add("audioChannels", std::int64_t{a.audioChannels})
      .Add("audioSampleRate", std::int64_t{a.audioSampleRate})
      .Add("audioBitrate", std::int64_t{a.audioBitrate})
      .Text();
}

std::string Table(const std::string& path, const Answers& a) {
  std::string text = path + "\n";
  char row[160];
  const auto add = [&](const char* name, const std::string& value) {
    std::snprintf(row, sizeof row, "  %-18s %s\n", name, value.c_str());
    text += row;
  };
  add("picture size", std::to_string(a.width) + " x " + std::to_string(a.height) + " px");
  add("duration", std::to_string(a.durationMs) + " ms");
  add("video bit rate", std::to_string(a.videoBitrate) + " bit/s");
  add("frame rate", FormatDouble(a.frameRate) + " fps");
  add("pixel aspect", FormatDouble(a.pixelAspect));
  add("rotation", std::to_string(a.rotation) + " deg");
  add("audio channels", std::to_string(a.audioChannels));
  add("audio sample rate", std::to_string(a.audioSampleRate) + " Hz");
  add("audio bit rate", std::to_string(a.audioBitrate) + " bit/s");
  return text;
}

constexpr const char* kUsage = "usage: metascope [OPTION]... FILE...\n";

void PrintHelp() {
  std::string text = kUsage;
  text +=
      "Prints picture size, duration, video bit rate, frame rate, pixel aspect,\n"
      "rotation and audio channels, sample rate and bit rate of each media FILE,\n"
      "as libMetaScope reads them through the MediaInfo library (";
  text += platform::kMediaInfoLibraryName;
  text +=
      ").\n"
      "\n"
      "  --json           one JSON object per file and line: \"file\" and the ten\n"
      "                   answers, or \"file\" and \"error\" with the reason. Every\n"
      "                   line is valid JSON: bytes of a file name that are not\n"
      "                   UTF-8 become U+FFFD, control characters are escaped.\n"
      "  -r, --recursive  a FILE that is a directory stands for the files below it\n"
      "                   that have an accepted extension, in sorted order\n"
      "  -                read further file names from standard input, one a line\n"
      "  -j, --jobs=N     probe N files at once (default: the number of\n"
      "                   processors); results keep the order of the arguments\n"
      "  --timeout=SECONDS\n"
      "                   give up on a file that MediaInfo has not finished in\n"
      "                   time, report it as timed out and go on (Linux only)\n"
      "  --progress       show the progress line even when standard error is not\n"
      "                   a terminal, from the start\n"
      "  --no-progress    never show the progress line\n"
      "  --trace          let libMetaScope write its own diagnostic lines\n"
      "                   (METASCOPE_TRACE=all); they are off otherwise\n"
      "  --version        print the version and exit\n"
      "  -h, --help       print this help and exit\n"
      "  --               end of options: every later argument is a FILE\n"
      "\n"
      "Options and files may come in any order. Short options may be bundled\n"
      "(-rj2), a value may follow its option glued or as the next argument\n"
      "(-j2, -j 2, --jobs=2, --jobs 2), and a long option may be shortened to\n"
      "any unique prefix (--rec).\n"
      "\n"
      "Progress: when standard error is a terminal (on Windows, a console) and\n"
      "the run lasts more than about half a second, one line on standard error\n"
      "shows the files done of the total, the files per second and the time\n"
      "left; it is drawn again in place and wiped when the run ends. Nothing of\n"
      "it is written when standard error is not a terminal.\n"
      "\n"
      "Accepted extensions (case ignored): ";
  text += AcceptedExtensionList();
  text +=
      "\n"
      "\n"
      "A file that fails gets one line \"metascope: FILE: REASON\" on standard\n"
      "error: no such file, not a regular file, permission denied, unsupported\n"
      "extension, the MediaInfo library could not be loaded, MediaInfo could not\n"
      "open it, or timed out.\n"
      "\n"
      "Exit status: 0 when every file was probed, 1 when any file failed or\n"
      "standard output could not be written, 2 on a usage error.\n";
  std::fputs(text.c_str(), stdout);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "metascope: %s\n%sTry 'metascope --help' for more information.\n", message.c_str(), kUsage);
  return 2;
}

// The files to probe, in order: operands as given, "-" replaced by the lines
// of standard input, directories (with -r) by the files below them. A
// directory that cannot be walked is reported at once; `failed` is then set.
std::vector<std::string> CollectFiles(const Options& options, bool& failed) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  for (const std::string& operand : options.operands) {
    if (operand == "-") {
      std::string line;
      while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) files.push_back(line);
      }
      continue;
    }
    std::error_code error;
    if (!options.recursive || !fs::is_directory(operand, error)) {
      files.push_back(operand);
      continue;
    }
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(operand, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
      std::error_code entryError;
      if (!it->is_regular_file(entryError)) continue;
      std::string path = it->path().string();
      if (metascope::ClassifyPath(path.c_str()) >= 0) found.push_back(std::move(path));
    }
    if (error) {
      std::fprintf(stderr, "metascope: %s: %s\n", operand.c_str(), ErrnoReason(error.value()).c_str());
      failed = true;
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  }
  return files;
}

// Standard output, with its failures noticed: after the first failed write
// or flush everything else is skipped and Failed() is true.
class Output {
 public:
  void Write(const std::string& text) {
    if (failed_) return;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
      error_ = errno;
      failed_ = true;
    }
  }
  bool Failed() const { return failed_; }
  void Report() const {
    std::fprintf(stderr, "metascope: cannot write to standard output: %s\n",
                 error_ != 0 ? std::strerror(error_) : "write error");
  }

 private:
  bool failed_ = false;
  int error_ = 0;
};

// What a worker process does with a request: probe the path it names.
std::string ProbeRequest(const std::string& path) { return Serialize(Probe(path.c_str())); }

// Probes `files` with `jobs` workers and hands each result, in order, to
// `print`, which answers false to stop early. While it waits, `tick` is
// called about every 100 ms, and whenever a file is done, with the number of
// files done so far.
template <typename Print, typename Tick>
void ProbeAll(const std::vector<std::string>& files, unsigned jobs, int timeoutMs, Print print, Tick tick) {
  const std::size_t count = files.size();
  std::vector<Result> results(count);
  std::vector<char> ready(count, 0);
  std::mutex mutex;
  std::condition_variable done;
  std::size_t finished = 0;  // guarded by `mutex`
  std::atomic<std::size_t> next{0};

  std::vector<std::unique_ptr<platform::WorkerProcess>> workers;
  for (unsigned w = 0; w < jobs; ++w) {
    workers.push_back(std::make_unique<platform::WorkerProcess>(ProbeRequest));
  }
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < jobs; ++w) {
    threads.emplace_back([&, w] {
      platform::WorkerProcess& worker = *workers[w];
      for (std::size_t i = next++; i < count; i = next++) {
        std::string answer;
        Result result;
        switch (worker.Ask(files[i], answer, timeoutMs)) {
          case platform::WorkerProcess::Outcome::kAnswered: result = Deserialize(answer); break;
          case platform::WorkerProcess::Outcome::kTimedOut:
            result.reason = "timed out after " + FormatDouble(timeoutMs / 1000.0) + " s";
            break;
          case platform::WorkerProcess::Outcome::kFailed:
            result.reason = "the probe ended without an answer (MediaInfo may have crashed)";
            break;
          case platform::WorkerProcess::Outcome::kCancelled: return;
        }
        {
          std::lock_guard<std::mutex> lock(mutex);
          results[i] = std::move(result);
          ready[i] = 1;
          ++finished;
        }
        done.notify_all();
      }
    });
  }
  for (std::size_t i = 0; i < count; ++i) {
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex);
      const bool isReady = done.wait_for(lock, std::chrono::milliseconds(100), [&] { return ready[i] != 0; });
      const std::size_t finishedNow = finished;
      lock.unlock();
      tick(finishedNow);
      if (isReady) break;
    }
    if (!print(files[i], results[i])) {
      for (auto& worker : workers) worker->Cancel();
      break;
    }
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace

int main(int argc, char** argv) {
  // MediaInfo converts the 8-bit paths with the process locale.
  platform::AdoptUserLocale();
  // A worker process (this program started again by a WorkerProcess) serves
  // its requests here and never returns.
  platform::ServeIfWorker(argc, argv, ProbeRequest);

  Options options;
  const metascope::tool::ParseOutcome parsed = metascope::tool::ParseCommandLine(argc, argv, options);
  switch (parsed.kind) {
    case metascope::tool::ParseOutcome::Kind::kHelp: PrintHelp(); return 0;
    case metascope::tool::ParseOutcome::Kind::kVersion: std::printf("metascope %s\n", METASCOPE_VERSION); return 0;
    case metascope::tool::ParseOutcome::Kind::kUsageError: return UsageError(parsed.message);
    case metascope::tool::ParseOutcome::Kind::kRun: break;
  }
  if (options.timeoutMs >= 0 && !platform::TimeLimitsSupported()) {
    return UsageError("--timeout is not supported on this system");
  }
  // Read by libMetaScope at its first call, in this process and the workers.
  platform::SetEnvironmentValue("METASCOPE_TRACE", options.trace ? "all" : "none");

  bool failed = false;
  const std::vector<std::string> files = CollectFiles(options, failed);
  unsigned jobs = options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(files.size(), 1)));

  // The progress line, and everything else bound for standard error while it
  // may show: this process's lines and, on Linux, those of the worker
  // processes and their library reach the terminal through the relay and the
  // line, which keeps them out of each other's way.
  const bool wantProgress =
      options.progress == ProgressMode::kOn ||
      (options.progress == ProgressMode::kAuto && platform::IsTerminal(platform::StandardStream::kError));
  std::unique_ptr<platform::StandardErrorRelay> relay;
  std::unique_ptr<ProgressLine> progress;
  if (wantProgress && !files.empty()) {
    const auto delay = options.progress == ProgressMode::kOn ? std::chrono::milliseconds(0)
                                                              : std::chrono::milliseconds(500);
    progress = std::make_unique<ProgressLine>(
        files.size(), [&relay](std::string_view text) { relay->Write(text); }, ProgressLine::Clock::now(), delay,
        platform::TerminalColumns());
    relay = std::make_unique<platform::StandardErrorRelay>(
        [&progress](std::string_view lines) { progress->WriteLines(lines); });
    // Forced, the line shows from the start, however short the run.
    progress->Update(0, ProgressLine::Clock::now());
  }
  const bool outputIsTerminal = progress != nullptr && platform::IsTerminal(platform::StandardStream::kOutput);
  // One line of this program's own for standard error.
  const auto report = [&](const std::string& line) {
    if (progress != nullptr) {
      progress->WriteLines(line);
    } else {
      std::fputs(line.c_str(), stderr);
    }
  };

  Output out;
  bool firstTable = true;
  ProbeAll(files, jobs, options.timeoutMs, [&](const std::string& path, const Result& result) {
    // The lines a worker wrote while probing come before what is said of
    // its result.
    if (relay != nullptr) relay->Drain();
    if (!result.opened) {
      report("metascope: " + path + ": " + result.reason + "\n");
      failed = true;
    }
    std::string text;
    if (options.json) {
      text = JsonLine(path, result) + "\n";
    } else if (result.opened) {
      text = firstTable ? std::string() : std::string("\n");
      text += Table(path, result.answers);
      firstTable = false;
    }
    if (!text.empty()) {
      if (outputIsTerminal) {
        progress->Interrupt([&] { out.Write(text); });
      } else {
        out.Write(text);
      }
    }
    return !out.Failed();
  }, [&](std::size_t done) {
    if (progress != nullptr) progress->Update(done, ProgressLine::Clock::now());
  });
  // Standard error is whole again, every line has been written, the line is wiped.
  if (progress != nullptr) {
    relay->Stop();
    progress->Finish();
  }
  if (out.Failed()) {
    out.Report();
    return 1;
  }
  return failed ? 1 : 0;
}
