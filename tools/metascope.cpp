// metascope FILE...
//
// Opens each file through libMetaScope's public exports and prints the ten
// answers: as a table, or with --json as one JSON object per line. Exits with
// 1 when any file could not be opened, 2 on a usage error.
//
// The library writes its own diagnostic lines (errors, and the MediaInfo
// report of every close) to standard error; redirect it to keep them out.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "libMetaScopeSDK.h"
#include "platform/Locale.h"

namespace {

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

// Opens, asks the ten queries and closes. False when the open failed.
bool Probe(const char* path, Answers& answers) {
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(path);
  if (context == nullptr) return false;
  answers.width = MediaInfoGetWidth(context);
  answers.height = MediaInfoGetHeight(context);
  answers.durationMs = MediaInfoGetVideoDuration(context);
  answers.videoBitrate = MediaInfoGetVideoBitrate(context);
  answers.frameRate = MediaInfoGetVideoFramerate(context);
  answers.pixelAspect = MediaInfoGetVideoAspect(context);
  answers.rotation = MediaInfoGetVideoRotate(context);
  answers.audioChannels = MediaInfoGetAudioChannels(context);
  answers.audioSampleRate = MediaInfoGetAudioSamples(context);
  answers.audioBitrate = MediaInfoGetAudioBitrate(context);
  MediaInfoCloseFile(context);
  return true;
}

// Shortest text that reads back as the same double.
std::string FormatDouble(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A JSON string literal; bytes of 0x80 and above pass unchanged (UTF-8 paths).
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

void PrintJson(const char* path, const Answers* answers) {
  std::string line = "{\"file\":" + JsonString(path);
  if (answers == nullptr) {
    line += ",\"error\":\"cannot open\"}";
  } else {
    line += ",\"width\":" + std::to_string(answers->width);
    line += ",\"height\":" + std::to_string(answers->height);
    line += ",\"durationMs\":" + std::to_string(answers->durationMs);
    line += ",\"videoBitrate\":" + std::to_string(answers->videoBitrate);
    line += ",\"frameRate\":" + FormatDouble(answers->frameRate);
    line += ",\"pixelAspect\":" + FormatDouble(answers->pixelAspect);
    line += ",\"rotation\":" + std::to_string(answers->rotation);
    line += ",\"audioChannels\":" + std::to_string(answers->audioChannels);
    line += ",\"audioSampleRate\":" + std::to_string(answers->audioSampleRate);
    line += ",\"audioBitrate\":" + std::to_string(answers->audioBitrate);
    line += "}";
  }
  std::printf("%s\n", line.c_str());
}

void PrintTable(const char* path, const Answers& a) {
  std::printf("%s\n", path);
  std::printf("  %-18s %d x %d px\n", "picture size", a.width, a.height);
  std::printf("  %-18s %lld ms\n", "duration", static_cast<long long>(a.durationMs));
  std::printf("  %-18s %d bit/s\n", "video bit rate", a.videoBitrate);
  std::printf("  %-18s %s fps\n", "frame rate", FormatDouble(a.frameRate).c_str());
  std::printf("  %-18s %s\n", "pixel aspect", FormatDouble(a.pixelAspect).c_str());
  std::printf("  %-18s %d deg\n", "rotation", a.rotation);
  std::printf("  %-18s %d\n", "audio channels", a.audioChannels);
  std::printf("  %-18s %d Hz\n", "audio sample rate", a.audioSampleRate);
  std::printf("  %-18s %d bit/s\n", "audio bit rate", a.audioBitrate);
}

void PrintUsage(std::FILE* to) {
  std::fputs(
      "usage: metascope [--json] FILE...\n"
      "Prints picture size, duration, video bit rate, frame rate, pixel aspect,\n"
      "rotation and audio channels, sample rate and bit rate of each FILE.\n"
      "  --json   one JSON object per file and line\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  // MediaInfo converts the 8-bit paths with the process locale.
  platform::AdoptUserLocale();

  bool json = false;
  bool optionsEnded = false;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsEnded && arg == "--json") {
      json = true;
    } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
      PrintUsage(stdout);
      return 0;
    } else if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "metascope: unknown option %s\n", argv[i]);
      PrintUsage(stderr);
      return 2;
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.empty()) {
    PrintUsage(stderr);
    return 2;
  }

  int status = 0;
  bool first = true;
  for (const char* path : files) {
    Answers answers;
    const bool opened = Probe(path, answers);
    if (!opened) {
      std::fprintf(stderr, "metascope: cannot open %s\n", path);
      status = 1;
    }
    if (json) {
      PrintJson(path, opened ? &answers : nullptr);
    } else if (opened) {
      if (!first) std::printf("\n");
      PrintTable(path, answers);
      first = false;
    }
    std::fflush(stdout);
  }
  return status;
}
