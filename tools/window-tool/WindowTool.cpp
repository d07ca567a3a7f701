// Looks at and talks to top-level windows and processes, for scripts.
//
//   lt260-window wait TITLE [SECONDS]      until a window has the title
//   lt260-window gone TITLE [SECONDS]      until no window has it
//   lt260-window count TITLE               prints how many windows have it
//   lt260-window pid TITLE                 prints the process id of its window
//   lt260-window send TITLE MESSAGE [WPARAM [LPARAM]]
//                                          sends and prints the answer
//   lt260-window start COMMAND-LINE        starts a program from a command
//                                          line as the shell's Run key does
//   lt260-window processes NAME            prints how many processes run NAME
//
// MESSAGE is a number (0x10 or 16) or the name of a registered message
// ("TaskbarCreated"). A wait lasts 20 s unless told. Exit codes: 0 done, 1 the
// window did not come, go or answer, or the program did not start, 2 bad
// command line.
#include <windows.h>
// <windows.h> first: these build on it.
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace {

constexpr UINT kSendTimeoutMs = 10000;
constexpr DWORD kDefaultWaitSeconds = 20;
constexpr DWORD kPollMs = 50;

int Usage(const char* problem) {
  std::fprintf(stderr,
               "lt260-window: %s\n"
               "usage: lt260-window wait|gone TITLE [SECONDS]\n"
               "       lt260-window count|pid TITLE\n"
               "       lt260-window send TITLE MESSAGE [WPARAM [LPARAM]]\n"
               "       lt260-window start COMMAND-LINE\n"
               "       lt260-window processes NAME\n",
               problem);
  return 2;
}

bool ParseNumber(const std::wstring& text, unsigned long long& value) {
  if (text.empty() || text[0] == L'-' || text[0] == L'+') return false;
  wchar_t* end = nullptr;
  value = std::wcstoull(text.c_str(), &end, 0);
  return *end == L'\0';
}

// Every top-level window with exactly this title; FindWindowW finds one.
std::vector<HWND> WindowsTitled(const std::wstring& title) {
  struct Search {
    const std::wstring* title;
    std::vector<HWND> found;
  } search{&title, {}};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        wchar_t text[512] = {};
        ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
        if (*s->title == text) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool WaitFor(const std::wstring& title, bool present, DWORD seconds) {
  const ULONGLONG end = ::GetTickCount64() + seconds * 1000ull;
  for (;;) {
    if ((::FindWindowW(nullptr, title.c_str()) != nullptr) == present) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(kPollMs);
  }
}

int Send(const std::vector<std::wstring>& args) {
  HWND window = ::FindWindowW(nullptr, args[2].c_str());
  if (window == nullptr) {
    std::fprintf(stderr, "lt260-window: no window titled \"%s\"\n",
                 lt260::win32::Utf8(args[2]).c_str());
    return 1;
  }
  unsigned long long number = 0;
  UINT message = 0;
  if (ParseNumber(args[3], number) && number <= 0xFFFF) {
    message = static_cast<UINT>(number);
  } else {
    message = ::RegisterWindowMessageW(args[3].c_str());
    if (message == 0) return Usage("MESSAGE is neither a number nor a name to register");
  }
  unsigned long long wParam = 0;
  unsigned long long lParam = 0;
  if (args.size() > 4 && !ParseNumber(args[4], wParam)) return Usage("WPARAM is not a number");
  if (args.size() > 5 && !ParseNumber(args[5], lParam)) return Usage("LPARAM is not a number");
  DWORD_PTR answer = 0;
  if (::SendMessageTimeoutW(window, message, static_cast<WPARAM>(wParam),
                            static_cast<LPARAM>(lParam), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                            &answer) == 0) {
    std::fprintf(stderr, "lt260-window: \"%s\" did not answer message 0x%X (error %lu)\n",
                 lt260::win32::Utf8(args[2]).c_str(), message, ::GetLastError());
    return 1;
  }
  std::printf("%llu\n", static_cast<unsigned long long>(answer));
  return 0;
}

int Start(const std::wstring& commandLine) {
  std::wstring buffer = commandLine;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    std::fprintf(stderr, "lt260-window: could not start %s (error %lu)\n",
                 lt260::win32::Utf8(commandLine).c_str(), ::GetLastError());
    return 1;
  }
  std::printf("%lu\n", process.dwProcessId);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return 0;
}

int CountProcesses(const std::wstring& name) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "lt260-window: no process list (error %lu)\n", ::GetLastError());
    return 1;
  }
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    if (::lstrcmpiW(entry.szExeFile, name.c_str()) == 0) ++count;
  }
  ::CloseHandle(snapshot);
  std::printf("%d\n", count);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr) return Usage("unreadable command line");
  std::vector<std::wstring> args(argv, argv + argc);
  ::LocalFree(argv);
  if (args.size() < 3) return Usage("missing arguments");
  const std::wstring& verb = args[1];

  if (verb == L"wait" || verb == L"gone") {
    if (args.size() > 4) return Usage("too many arguments");
    unsigned long long seconds = kDefaultWaitSeconds;
    if (args.size() == 4 && (!ParseNumber(args[3], seconds) || seconds > 3600)) {
      return Usage("SECONDS is not a number up to 3600");
    }
    if (WaitFor(args[2], verb == L"wait", static_cast<DWORD>(seconds))) return 0;
    std::fprintf(stderr, "lt260-window: a window titled \"%s\" %s within %llu s\n",
                 lt260::win32::Utf8(args[2]).c_str(),
                 verb == L"wait" ? "did not appear" : "is still there", seconds);
    return 1;
  }
  if (verb == L"count" && args.size() == 3) {
    std::printf("%zu\n", WindowsTitled(args[2]).size());
    return 0;
  }
  if (verb == L"pid" && args.size() == 3) {
    HWND window = ::FindWindowW(nullptr, args[2].c_str());
    DWORD id = 0;
    if (window == nullptr || ::GetWindowThreadProcessId(window, &id) == 0) {
      std::fprintf(stderr, "lt260-window: no window titled \"%s\"\n",
                   lt260::win32::Utf8(args[2]).c_str());
      return 1;
    }
    std::printf("%lu\n", id);
    return 0;
  }
  if (verb == L"send" && args.size() >= 4 && args.size() <= 6) return Send(args);
  if (verb == L"start" && args.size() == 3) return Start(args[2]);
  if (verb == L"processes" && args.size() == 3) return CountProcesses(args[2]);
  return Usage("unknown verb or wrong number of arguments");
}
