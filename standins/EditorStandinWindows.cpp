// Stand-in for the product's editing programs Core\Vidorra.exe and
// Core\Snipwell.exe, Windows (one source, built once per name: STANDIN_NAME).
//
// Like the Linux one, it records how it was started in the stand-ins' log
// (StandinLog.h):
//   <name>      args=<arguments joined by blanks>  argc=<count>  pid=<id>
//   <name>-end  pid=<id>
// and shows a small window titled "<name> - <arguments>" that says which
// program and mode it is, with a button that ends it. A close request
// (WM_CLOSE, e.g. from taskkill without /F) ends it too.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include "platform/TextEncoding.h"
#include "standins/StandinLog.h"

#include <memory>
#include <string>

namespace {

constexpr int kCloseButton = 1;

std::string Utf8(std::wstring_view text) {
  return platform::Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}
std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

struct LocalFreeDeleter {
  void operator()(wchar_t** p) const noexcept { ::LocalFree(p); }
};

std::wstring g_mode;

LRESULT CALLBACK StandinWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const HWND button = ::CreateWindowExW(0, L"BUTTON", L"Close and return",
                                            WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 24, 96, 150, 34, window,
                                            reinterpret_cast<HMENU>(kCloseButton), ::GetModuleHandleW(nullptr), nullptr);
      ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kCloseButton) ::PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = ::BeginPaint(window, &paint);
      const HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
      ::SetBkMode(dc, TRANSPARENT);
      const std::wstring title = Wide(STANDIN_NAME) + L" (stand-in)";
      const std::wstring detail = L"mode: " + g_mode;
      ::TextOutW(dc, 24, 22, title.c_str(), static_cast<int>(title.size()));
      ::TextOutW(dc, 24, 54, detail.c_str(), static_cast<int>(detail.size()));
      ::SelectObject(dc, old);
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int wmain() {
  int count = 0;
  const std::unique_ptr<wchar_t*, LocalFreeDeleter> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::wstring joined;
  for (int i = 1; argv && i < count; ++i) {
    if (i > 1) joined += L' ';
    joined += argv.get()[i];
  }
  const std::string pid = std::to_string(::GetCurrentProcessId());
  standins::AppendLogLine(STANDIN_NAME,
                          {{"args", Utf8(joined)}, {"argc", std::to_string(count > 0 ? count - 1 : 0)}, {"pid", pid}});
  g_mode = joined.empty() ? L"(no arguments)" : joined;

  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &StandinWindow;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = L"VidorraEditorStandin";
  int status = 1;
  if (::RegisterClassExW(&windowClass) != 0) {
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT bounds{0, 0, 380, 150};
    ::AdjustWindowRectEx(&bounds, style, FALSE, 0);
    const std::wstring title = Wide(STANDIN_NAME) + L" - " + g_mode;
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), style, CW_USEDEFAULT,
                                          CW_USEDEFAULT, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                          nullptr, nullptr, instance, nullptr);
    if (window != nullptr) {
      ::ShowWindow(window, SW_SHOW);
      MSG message;
      while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      status = 0;
    }
  }
  standins::AppendLogLine(std::string(STANDIN_NAME) + "-end", {{"pid", pid}});
  return status;
}
