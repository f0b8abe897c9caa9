// A stand-in for the MediaInfo library, built by the tests.
//
// It exports the 28 entry points of the flat 8-bit interface (27 when built
// with FAKE_OMIT_COUNT_GET_FILES) under their plain names, with the calling
// convention of the real library (__stdcall on Windows), answers from a
// script file and appends one line per call to a log file:
//   FAKE_MEDIAINFO_SCRIPT  lines "key=value"; keys: "open" (Open's result,
//                          default 1), "new" ("null" makes New fail),
//                          "inform" (the report), "get <kind> <parameter>",
//                          "hang" (Open of a path ending in this text
//                          never returns, like MediaInfo on some corrupt
//                          files), "crash" (Open of a path ending in this
//                          text aborts the process)
//   FAKE_MEDIAINFO_LOG     gets "load" and "unload" when the library is
//                          mapped and unmapped, and one line per call
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#if defined(_WIN32)
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#define FAKE_CALL __stdcall
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#define FAKE_CALL
#endif

namespace {

struct Instance {
  std::string lastAnswer;  // keeps returned texts alive until the next call
};

void Log(const std::string& line) {
  const char* path = std::getenv("FAKE_MEDIAINFO_LOG");
  if (path == nullptr) return;
  if (std::FILE* f = std::fopen(path, "ab")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

std::map<std::string, std::string> Script() {
  std::map<std::string, std::string> script;
  const char* path = std::getenv("FAKE_MEDIAINFO_SCRIPT");
  if (path == nullptr) return script;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) script[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return script;
}

std::string Lookup(const std::string& key, const std::string& fallback) {
  const auto script = Script();
  const auto it = script.find(key);
  return it == script.end() ? fallback : it->second;
}

const char* Keep(void* handle, std::string text) {
  auto* instance = static_cast<Instance*>(handle);
  instance->lastAnswer = std::move(text);
  return instance->lastAnswer.c_str();
}

__attribute__((constructor)) void OnLoad() { Log("load"); }
__attribute__((destructor)) void OnUnload() { Log("unload"); }

}  // namespace

FAKE_EXPORT void* FAKE_CALL MediaInfoA_New() {
  Log("New");
  if (Lookup("new", "") == "null") return nullptr;
  return new Instance;
}
FAKE_EXPORT void FAKE_CALL MediaInfoA_Delete(void* handle) {
  Log("Delete");
  delete static_cast<Instance*>(handle);
}
FAKE_EXPORT std::size_t FAKE_CALL MediaInfoA_Open(void*, const char* path) {
  Log(std::string("Open ") + path);
  const std::string name = path;
  const auto endsWith = [&](const std::string& key) {
    const std::string tail = Lookup(key, "");
    return !tail.empty() && name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (endsWith("hang")) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
  }
  if (endsWith("crash")) std::abort();
  return std::strtoul(Lookup("open", "1").c_str(), nullptr, 10);
}
FAKE_EXPORT void FAKE_CALL MediaInfoA_Close(void*) { Log("Close"); }
FAKE_EXPORT const char* FAKE_CALL MediaInfoA_Get(void* handle, int kind, std::size_t number, const char* parameter,
                                       int infoKind, int searchKind) {
  Log("Get " + std::to_string(kind) + " " + std::to_string(number) + " " + parameter + " " +
      std::to_string(infoKind) + " " + std::to_string(searchKind));
  return Keep(handle, Lookup("get " + std::to_string(kind) + " " + parameter, ""));
}
FAKE_EXPORT const char* FAKE_CALL MediaInfoA_Option(void* handle, const char* option, const char* value) {
  Log(std::string("Option ") + option + "=" + value);
  return Keep(handle, "");
}
FAKE_EXPORT const char* FAKE_CALL MediaInfoA_Inform(void* handle, std::size_t reserved) {
  Log("Inform " + std::to_string(reserved));
  return Keep(handle, Lookup("inform", "fake report"));
}

// Present so that the library counts as complete; never called by the probe.
#define FAKE_UNUSED(name, result, params, value) \
  FAKE_EXPORT result FAKE_CALL name params {     \
    Log(#name);                                  \
    return value;                                \
  }
FAKE_UNUSED(MediaInfoListA_New, void*, (), nullptr)
FAKE_UNUSED(MediaInfoListA_Open, std::size_t, (void*, const char*, int), 0)
FAKE_UNUSED(MediaInfoA_Open_Buffer_Init, std::size_t, (void*, std::uint64_t, std::uint64_t), 0)
FAKE_UNUSED(MediaInfoA_Open_Buffer_Continue, std::size_t, (void*, std::uint8_t*, std::size_t), 0)
FAKE_UNUSED(MediaInfoA_Open_Buffer_Continue_GoTo_Get, std::uint64_t, (void*), 0)
FAKE_UNUSED(MediaInfoA_Open_Buffer_Finalize, std::size_t, (void*), 0)
FAKE_UNUSED(MediaInfoA_Open_NextPacket, std::size_t, (void*), 0)
FAKE_UNUSED(MediaInfoListA_Inform, const char*, (void*, std::size_t, std::size_t), "")
FAKE_UNUSED(MediaInfoA_GetI, const char*, (void*, int, std::size_t, std::size_t, int), "")
FAKE_UNUSED(MediaInfoListA_GetI, const char*, (void*, std::size_t, int, std::size_t, std::size_t, int), "")
FAKE_UNUSED(MediaInfoListA_Get, const char*, (void*, std::size_t, int, std::size_t, const char*, int, int), "")
FAKE_UNUSED(MediaInfoA_Output_Buffer_Get, std::size_t, (void*, const char*), 0)
FAKE_UNUSED(MediaInfoA_Output_Buffer_GetI, std::size_t, (void*, std::size_t), 0)
FAKE_UNUSED(MediaInfoListA_Option, const char*, (void*, const char*, const char*), "")
FAKE_UNUSED(MediaInfoA_State_Get, std::size_t, (void*), 0)
FAKE_UNUSED(MediaInfoListA_State_Get, std::size_t, (void*), 0)
FAKE_UNUSED(MediaInfoA_Count_Get, std::size_t, (void*, int, std::size_t), 0)
FAKE_UNUSED(MediaInfoListA_Count_Get, std::size_t, (void*, std::size_t, int, std::size_t), 0)
#if !defined(FAKE_OMIT_COUNT_GET_FILES)
FAKE_UNUSED(MediaInfoListA_Count_Get_Files, std::size_t, (void*), 0)
#endif
FAKE_EXPORT void FAKE_CALL MediaInfoListA_Delete(void*) { Log("MediaInfoListA_Delete"); }
FAKE_EXPORT void FAKE_CALL MediaInfoListA_Close(void*, std::size_t) { Log("MediaInfoListA_Close"); }
