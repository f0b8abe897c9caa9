// libMetaScope against the real MediaInfo library (libmediainfo.so.0 on Linux,
// the MediaInfo.dll built from the same source on Windows), held to one
// committed table of answers: tests/fixtures/media/answers.tsv. Every build
// runs this same program, so the table is what the Linux and the Windows
// builds agree on.
//
// The media folder comes from VIDORRA_MEDIA_FIXTURES (the wine tests pass it
// as a Windows path), else from the folder compiled in.
// `--print` writes the table as this build answers it instead of testing.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "ProbeTestSupport.h"
#include "libMetaScopeSDK.h"

namespace {

namespace fs = std::filesystem;
using probetest::DiagnosticCapture;
using probetest::ErrorLine;
using probetest::TempDir;

const char kHeader[] =
    "file\twidth\theight\tduration\tvideo_bitrate\tframerate\taspect\trotate\tchannels\tsamplerate\taudio_bitrate";
const char kCloseTail[] = "  from file <.\\libMetaScopeSDK>, line 308.\n";

fs::path MediaFolder() {
  const char* folder = std::getenv("VIDORRA_MEDIA_FIXTURES");
  return folder != nullptr && *folder != '\0' ? fs::path(folder) : fs::path(MEDIA_FIXTURES_DIR);
}

std::string Number(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// The ten answers for one open file, tab-separated in the table's order.
std::string AnswerRow(MEDIAINFO_CONTEXT* c) {
  std::ostringstream row;
  row << MediaInfoGetWidth(c) << '\t' << MediaInfoGetHeight(c) << '\t' << MediaInfoGetVideoDuration(c) << '\t'
      << MediaInfoGetVideoBitrate(c) << '\t' << Number(MediaInfoGetVideoFramerate(c)) << '\t'
      << Number(MediaInfoGetVideoAspect(c)) << '\t' << MediaInfoGetVideoRotate(c) << '\t'
      << MediaInfoGetAudioChannels(c) << '\t' << MediaInfoGetAudioSamples(c) << '\t'
      << MediaInfoGetAudioBitrate(c);
  return row.str();
}

// Every committed media file of the folder (not its scripts or this table).
std::vector<std::string> MediaFiles(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && ext != ".sh" && ext != ".tsv") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// file name -> the rest of its row.
std::map<std::string, std::string> ReadTable(const fs::path& path) {
  std::map<std::string, std::string> rows;
  std::istringstream in(probetest::ReadText(path));
  std::string line;
  bool header = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (!header) {
      EXPECT_EQ(line, kHeader) << "first row of " << path;
      header = true;
      continue;
    }
    const auto tab = line.find('\t');
    EXPECT_NE(tab, std::string::npos) << line;
    if (tab == std::string::npos) continue;
    EXPECT_TRUE(rows.emplace(line.substr(0, tab), line.substr(tab + 1)).second) << "row given twice: " << line;
  }
  return rows;
}

TEST(AnswersTableTest, EveryFixtureAnswersAsTheTableSaysAndCloseReportsIt) {
  const fs::path folder = MediaFolder();
  const auto table = ReadTable(folder / "answers.tsv");
  const auto files = MediaFiles(folder);
  ASSERT_GE(files.size(), 8u) << folder;
  std::set<std::string> seen;
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    seen.insert(name);
    const auto expected = table.find(name);
    EXPECT_TRUE(expected != table.end()) << "no row in answers.tsv";

    DiagnosticCapture capture;
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile((folder / name).string().c_str());
    ASSERT_NE(context, nullptr) << capture.Take();
    const std::string row = AnswerRow(context);
    EXPECT_EQ(MediaInfoCloseFile(context), 1);
    if (expected != table.end()) {
      EXPECT_EQ(row, expected->second);
    }

    // The close writes MediaInfo's report of the file as one debug line.
    const std::string written = capture.Take();
    EXPECT_EQ(written.rfind("debug =  MediaInfo: General", 0), 0u) << written;
    EXPECT_NE(written.find(name), std::string::npos) << written;
    EXPECT_EQ(written.find("debug =", 1), std::string::npos) << "one line only: " << written;
    EXPECT_TRUE(written.size() > sizeof kCloseTail &&
                written.compare(written.size() - (sizeof kCloseTail - 1), std::string::npos, kCloseTail) == 0)
        << written;
  }
  for (const auto& [name, row] : table) EXPECT_TRUE(seen.count(name)) << "row without a file: " << name;
}

// A copy of a picture fixture whose header says it is `width` x `height`
// (MediaInfo reads the size from the header alone): a JPEG's frame header, or
// a PNG's image header with its checksum made again.
std::string PictureOfSize(const std::string& fixture, bool png, unsigned width, unsigned height) {
  std::string bytes = fixture;
  const auto put = [&](std::size_t at, unsigned value, int size) {
    for (int i = 0; i < size; ++i) bytes.at(at + i) = static_cast<char>(value >> (8 * (size - 1 - i)));
  };
  if (png) {
    put(16, width, 4);  // IHDR data follows the signature, the chunk length and "IHDR"
    put(20, height, 4);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 29; ++i) {
      crc ^= static_cast<unsigned char>(bytes[i]);
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    put(29, ~crc, 4);
  } else {
    const std::size_t frame = bytes.find("\xFF\xC0");  // baseline frame header: length, precision, height, width
    EXPECT_NE(frame, std::string::npos);
    put(frame + 5, height, 2);
    put(frame + 7, width, 2);
  }
  return bytes;
}

// Pictures as a camera, a phone or a scanner leaves them: a run of 30
// numbered files in one folder, each of its own size. MediaInfo would take
// the first files of such a run for a sequence (a video stream, no image).
// Each file answers as the lone fixture does, with its own size.
TEST(AnswersTableTest, APictureAmongNumberedPicturesAnswersItsOwnSize) {
  const fs::path media = MediaFolder();
  const auto table = ReadTable(media / "answers.tsv");
  const struct {
    const char* fixture;
    const char* prefix;
    std::size_t digits;  // the number zero-padded to this many digits
    const char* suffix;
  } runs[] = {
      {"image.jpg", "IMG_", 4, ".JPG"},  {"image.jpg", "DSC", 5, ".jpeg"}, {"image.png", "scan", 2, ".png"},
      {"image.png", "Scan ", 3, ".PNG"}, {"image.png", "page-", 1, ".png"},
  };
  constexpr int kCount = 30;
  for (const auto& run : runs) {
    SCOPED_TRACE(std::string(run.prefix) + "N" + run.suffix);
    const std::string fixture = probetest::ReadText(media / run.fixture);
    const bool png = fs::path(run.fixture).extension() == ".png";
    const auto row = table.find(run.fixture);
    ASSERT_TRUE(row != table.end());
    // The lone fixture's answers after its width and height.
    const std::string rest = row->second.substr(row->second.find('\t', row->second.find('\t') + 1));

    TempDir dir;
    const auto name = [&](int number) {
      std::string digits = std::to_string(number);
      if (digits.size() < run.digits) digits.insert(0, run.digits - digits.size(), '0');
      return dir.path() / (run.prefix + digits + run.suffix);
    };
    for (int number = 1; number <= kCount; ++number) {
      probetest::WriteText(name(number), PictureOfSize(fixture, png, 24 + number, 16 + number));
    }
    for (const int number : {1, 2, kCount / 2, kCount}) {
      DiagnosticCapture capture;
      MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(name(number).string().c_str());
      ASSERT_NE(context, nullptr) << name(number) << capture.Take();
      EXPECT_EQ(AnswerRow(context), std::to_string(24 + number) + '\t' + std::to_string(16 + number) + rest)
          << name(number);
      EXPECT_EQ(MediaInfoCloseFile(context), 1);
    }
  }
}

TEST(AnswersTableTest, FailureLinesAreExact) {
  TempDir dir;
  fs::copy_file(MediaFolder() / "clip.mp4", dir.path() / "clip.webm");
  const struct {
    fs::path path;
    std::string line;
  } cases[] = {
      {dir.path() / "clip.webm", ErrorLine("Unable to parse the file format!", 115)},
      {dir.path() / "missing.mp4", ErrorLine("Open file fail!", 122)},
  };
  for (const auto& c : cases) {
    DiagnosticCapture capture;
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(c.path.string().c_str());
    EXPECT_EQ(context, nullptr) << c.path;
    if (context != nullptr) MediaInfoCloseFile(context);
    EXPECT_EQ(capture.Take(), c.line) << c.path;
  }
}

#if defined(_WIN32)
// A Chinese file name, handed over in the ANSI code page 936 as a program on
// a Chinese Windows gets it (its argv, GetOpenFileNameA ...). The ctest entry
// that runs this sets a locale whose ANSI code page is 936 and
// VIDORRA_EXPECT_ACP=936, so a wrong locale fails instead of skipping.
TEST(AnswersTableTest, ChineseNameInCodePage936) {
  const char* expectAcp = std::getenv("VIDORRA_EXPECT_ACP");
  if (GetACP() != 936) {
    ASSERT_EQ(expectAcp, nullptr) << "the ANSI code page is " << GetACP() << ", not 936";
    GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 936";
  }
  TempDir dir;
  const std::wstring name = L"\u89c6\u9891\u526a\u8f91.mp4";  // "video clip"
  const fs::path wide = dir.path() / name;
  fs::copy_file(MediaFolder() / "clip.mp4", wide);

  const std::wstring& w = wide.native();
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, nullptr, 0, nullptr, &lossy);
  ASSERT_GT(size, 0);
  std::string ansi(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, ansi.data(), size, nullptr, &lossy);
  ansi.pop_back();
  ASSERT_FALSE(lossy) << "the path has characters outside code page 936";
  // The GBK bytes of the name, as a Chinese Windows writes it.
  const std::string gbk = "\xCA\xD3\xC6\xB5\xBC\xF4\xBC\xAD.mp4";
  ASSERT_EQ(ansi.substr(ansi.size() - gbk.size()), gbk);

  DiagnosticCapture capture;
  MEDIAINFO_CONTEXT* context = MediaInfoOpenFile(ansi.c_str());
  ASSERT_NE(context, nullptr) << capture.Take();
  EXPECT_EQ(MediaInfoGetWidth(context), 32);
  EXPECT_EQ(MediaInfoGetAudioChannels(context), 2);
  EXPECT_EQ(MediaInfoCloseFile(context), 1);
  EXPECT_EQ(capture.Take().rfind("debug =  MediaInfo: General", 0), 0u);
}
#endif

int PrintTable() {
  const fs::path folder = MediaFolder();
  std::printf("%s\n", kHeader);
  int status = 0;
  for (const std::string& name : MediaFiles(folder)) {
    MEDIAINFO_CONTEXT* context = MediaInfoOpenFile((folder / name).string().c_str());
    if (context == nullptr) {
      std::fprintf(stderr, "%s: cannot open\n", name.c_str());
      status = 1;
      continue;
    }
    std::printf("%s\t%s\n", name.c_str(), AnswerRow(context).c_str());
    MediaInfoCloseFile(context);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
#if !defined(_WIN32)
  // As a desktop program runs: MediaInfo converts names with the host's
  // locale. (On Windows it converts them with the ANSI code page.)
  std::setlocale(LC_ALL, "");
#endif
  if (argc == 2 && std::string(argv[1]) == "--print") return PrintTable();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
