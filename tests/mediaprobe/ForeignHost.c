/*
 * A program that uses libMetaScope.dll as programs installed elsewhere do:
 * it changes its current folder to the user's folder of media, loads the
 * DLL by its full path from another folder, and probes a file of the
 * current folder by its relative name.
 *
 * Usage: test_probe_foreign_host LIBRARY_PATH CURRENT_FOLDER FILE
 * Prints "opened W H C" (width, height, audio channels) or "failed", then
 * "MediaInfo.dll from PATH" (UTF-8) for the MediaInfo.dll the process
 * loaded, or "MediaInfo.dll not loaded". Exit code 0 once the library's
 * exports were called, 2 on a usage or set-up error.
 */
#include <stdio.h>
#include <windows.h>
/* After <windows.h>, which it builds on. */
#include <shellapi.h>

#include "libMetaScopeSDK.h"

typedef MEDIAINFO_CONTEXT*(METASCOPE_CALL* OpenFileFn)(const char*);
typedef int32_t(METASCOPE_CALL* IntQueryFn)(MEDIAINFO_CONTEXT*);

/* Casts from FARPROC go through this union: the entry's real type is known
 * only here. */
typedef union {
  FARPROC address;
  OpenFileFn open;
  IntQueryFn query;
} Entry;

static Entry find(HMODULE library, const char* name) {
  Entry entry;
  entry.address = GetProcAddress(library, name);
  if (entry.address == NULL) printf("GetProcAddress(%s) failed\n", name);
  return entry;
}

static void print_utf8(const wchar_t* text) {
  char buffer[4 * MAX_PATH * 4];
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, (int)sizeof buffer, NULL, NULL);
  if (size > 0) fwrite(buffer, 1, (size_t)size - 1, stdout);
}

int main(void) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == NULL || argc != 4) {
    printf("usage: test_probe_foreign_host LIBRARY_PATH CURRENT_FOLDER FILE\n");
    return 2;
  }
  if (!SetCurrentDirectoryW(argv[2])) {
    printf("SetCurrentDirectoryW failed: %lu\n", (unsigned long)GetLastError());
    return 2;
  }
  HMODULE library = LoadLibraryW(argv[1]);
  if (library == NULL) {
    printf("LoadLibraryW failed: %lu\n", (unsigned long)GetLastError());
    return 2;
  }
  Entry open = find(library, "MediaInfoOpenFile");
  Entry width = find(library, "MediaInfoGetWidth");
  Entry height = find(library, "MediaInfoGetHeight");
  Entry channels = find(library, "MediaInfoGetAudioChannels");
  Entry close = find(library, "MediaInfoCloseFile");
  if (!open.address || !width.address || !height.address || !channels.address || !close.address) return 2;

  char file[MAX_PATH];
  if (WideCharToMultiByte(CP_ACP, 0, argv[3], -1, file, (int)sizeof file, NULL, NULL) <= 0) return 2;
  MEDIAINFO_CONTEXT* context = open.open(file);
  if (context != NULL) {
    const int32_t w = width.query(context), h = height.query(context), c = channels.query(context);
    printf("opened %d %d %d\n", (int)w, (int)h, (int)c);
    close.query(context);
  } else {
    printf("failed\n");
  }

  HMODULE mediaInfo = GetModuleHandleW(L"MediaInfo.dll");
  wchar_t path[4 * MAX_PATH];
  if (mediaInfo != NULL && GetModuleFileNameW(mediaInfo, path, 4 * MAX_PATH) > 0) {
    printf("MediaInfo.dll from ");
    print_utf8(path);
    printf("\n");
  } else {
    printf("MediaInfo.dll not loaded\n");
  }
  fflush(stdout);
  FreeLibrary(library);
  LocalFree(argv);
  return 0;
}
