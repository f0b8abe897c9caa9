// A screen reader's view of the launcher through MSAA, from another process,
// for launcher-accessibility-test.sh. It reads commands from standard input,
// one a line, and answers each with lines of its own and then a line ".".
// Texts are written in UTF-8.
//
//   find               waits for the window titled "Vidorra", takes its client
//                      object (AccessibleObjectFromWindow, OBJID_CLIENT) and
//                      hooks the process's WinEvents; "found <pid>"
//   client             "client name=... role=<n> children=<n>"
//   children           AccessibleChildren: "children <n> <VARIANT type>..."
//   child <id>         "child <id> name=... description=... role=<n>
//                      state=0x<bits> location=<x>,<y>,<w>,<h> action=..."
//   focus              get_accFocus: "focus <id>" or "focus none"
//   hit <x> <y>        accHitTest at a screen point: "hit <id>" or "hit none"
//   nav <id> <dir>     accNavigate with NAVDIR <dir>: "nav <id>" or "nav none"
//   events             the client's focus and state WinEvents since the last
//                      time: "event focus <id>", "event state <id>"
//   do <id>            accDoDefaultAction: "do <id> hr=0x<hr> ms=<time>"
//   name               get_accName of the client: "name hr=0x<hr>"
//   quit
// While it waits for a command it runs its message loop, so that WinEvents
// arrive (the hook is out of context).
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <ole2.h>
#include <oleacc.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT kCommand = WM_APP;     // lParam: a std::string* to take over
constexpr UINT kEndOfInput = WM_APP + 1;

HWND g_window = nullptr;
IAccessible* g_client = nullptr;
std::vector<std::string> g_events;

std::string Utf8(const wchar_t* text, int length = -1) {
  if (text == nullptr) return "";
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  if (length < 0 && !out.empty()) out.pop_back();  // the terminating zero
  return out;
}

std::string Text(BSTR text) {
  std::string out = text != nullptr ? Utf8(text, static_cast<int>(::SysStringLen(text))) : "";
  ::SysFreeString(text);
  return out;
}

std::string Hex(unsigned long value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lx", value);
  return buffer;
}

void Say(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

VARIANT Child(long id) {
  VARIANT v;
  ::VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = id;
  return v;
}

std::string Id(const VARIANT& v) {
  if (V_VT(&v) == VT_I4) return std::to_string(V_I4(&v));
  if (V_VT(&v) == VT_EMPTY) return "none";
  return "vt" + std::to_string(V_VT(&v));
}

void CALLBACK Heard(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (window != g_window || object != OBJID_CLIENT) return;
  if (event == EVENT_OBJECT_FOCUS) g_events.push_back("event focus " + std::to_string(child));
  if (event == EVENT_OBJECT_STATECHANGE) g_events.push_back("event state " + std::to_string(child));
}

// Runs the message loop for up to `milliseconds`.
void Pump(DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

void Find() {
  for (int i = 0; i < 300 && g_client == nullptr; ++i) {
    g_window = ::FindWindowW(L"VidorraWindow", L"Vidorra");
    if (g_window != nullptr &&
        SUCCEEDED(::AccessibleObjectFromWindow(g_window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                               reinterpret_cast<void**>(&g_client))) &&
        g_client != nullptr)
      break;
    g_client = nullptr;
    Pump(100);
  }
  if (g_client == nullptr) {
    Say("not found");
    return;
  }
  DWORD process = 0;
  ::GetWindowThreadProcessId(g_window, &process);
  ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, &Heard, process, 0,
                    WINEVENT_OUTOFCONTEXT);
  Say("found " + std::to_string(process));
}

void Describe(long id) {
  const VARIANT child = Child(id);
  BSTR text = nullptr;
  std::string line = (id == CHILDID_SELF ? "client" : "child " + std::to_string(id));
  g_client->get_accName(child, &text);
  line += " name=" + Text(text);
  if (id != CHILDID_SELF) {
    text = nullptr;
    g_client->get_accDescription(child, &text);
    line += " description=" + Text(text);
  }
  VARIANT role;
  ::VariantInit(&role);
  g_client->get_accRole(child, &role);
  line += " role=" + Id(role);
  if (id == CHILDID_SELF) {
    LONG count = -1;
    g_client->get_accChildCount(&count);
    line += " children=" + std::to_string(count);
  } else {
    VARIANT state;
    ::VariantInit(&state);
    g_client->get_accState(child, &state);
    line += " state=" + (V_VT(&state) == VT_I4 ? Hex(static_cast<unsigned long>(V_I4(&state))) : "none");
    LONG x = 0, y = 0, w = 0, h = 0;
    g_client->accLocation(&x, &y, &w, &h, child);
    line += " location=" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
            std::to_string(h);
    text = nullptr;
    g_client->get_accDefaultAction(child, &text);
    line += " action=" + Text(text);
  }
  Say(line);
}

void Command(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "find") {
    Find();
  } else if (g_client == nullptr) {
    Say("no client");
  } else if (verb == "client") {
    Describe(CHILDID_SELF);
  } else if (verb == "child") {
    long id = 0;
    in >> id;
    Describe(id);
  } else if (verb == "children") {
    LONG count = 0;
    g_client->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(count > 0 ? count : 0));
    LONG obtained = 0;
    const HRESULT result = ::AccessibleChildren(g_client, 0, count, children.data(), &obtained);
    std::string out = "children " + std::to_string(SUCCEEDED(result) ? obtained : -1);
    for (LONG i = 0; i < obtained; ++i) {
      const VARIANT& v = children[static_cast<std::size_t>(i)];
      out += V_VT(&v) == VT_I4 ? " I4:" + std::to_string(V_I4(&v)) : " vt" + std::to_string(V_VT(&v));
      ::VariantClear(&children[static_cast<std::size_t>(i)]);
    }
    Say(out);
  } else if (verb == "focus") {
    VARIANT focus;
    ::VariantInit(&focus);
    g_client->get_accFocus(&focus);
    Say("focus " + Id(focus));
    ::VariantClear(&focus);
  } else if (verb == "hit") {
    long x = 0, y = 0;
    in >> x >> y;
    VARIANT hit;
    ::VariantInit(&hit);
    g_client->accHitTest(x, y, &hit);
    Say("hit " + Id(hit));
    ::VariantClear(&hit);
  } else if (verb == "nav") {
    long id = 0, direction = 0;
    in >> id >> direction;
    VARIANT end;
    ::VariantInit(&end);
    g_client->accNavigate(direction, Child(id), &end);
    Say("nav " + Id(end));
    ::VariantClear(&end);
  } else if (verb == "events") {
    Pump(50);
    for (const std::string& event : g_events) Say(event);
    g_events.clear();
  } else if (verb == "do") {
    long id = 0;
    in >> id;
    const auto start = std::chrono::steady_clock::now();
    const HRESULT result = g_client->accDoDefaultAction(Child(id));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    char took[32];
    std::snprintf(took, sizeof took, "%.1f", ms);
    Say("do " + std::to_string(id) + " hr=" + Hex(static_cast<unsigned long>(result)) + " ms=" + took);
  } else if (verb == "name") {
    BSTR name = nullptr;
    const HRESULT result = g_client->get_accName(Child(CHILDID_SELF), &name);
    ::SysFreeString(name);
    Say("name hr=" + Hex(static_cast<unsigned long>(result)));
  } else {
    Say("unknown " + verb);
  }
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const DWORD self = ::GetCurrentThreadId();
  // The main thread must keep its message loop going; commands come from
  // this one.
  std::thread reader([self] {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      ::PostThreadMessageW(self, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(line)));
    }
    ::PostThreadMessageW(self, kEndOfInput, 0, 0);
  });
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == kCommand) {
      std::string* line = reinterpret_cast<std::string*>(message.lParam);
      const bool quit = *line == "quit";
      if (!quit) Command(*line);
      delete line;
      Say(".");
      if (quit) break;
      continue;
    }
    if (message.hwnd == nullptr && message.message == kEndOfInput) break;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (g_client != nullptr) g_client->Release();
  reader.detach();
  ::CoUninitialize();
  return 0;
}
