#include "PeerWindowStub.h"

#include <windows.h>
// <shellapi.h> needs the types of <windows.h>.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/Win32Text.h"

namespace lt260::tools {
namespace {

constexpr UINT_PTR kEndTimer = 1;

// A windows-subsystem program has no console of its own; its standard error is
// whatever the parent handed down (a pipe or file under a test, the terminal
// under Wine). The debug output reaches a debugger in every case.
void Report(const PeerStubConfig& config, const std::wstring& problem) {
  std::wstring line = std::wstring(config.ProgramName) + L": " + problem + L"\n";
  ::OutputDebugStringW(line.c_str());
  HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (error != nullptr && error != INVALID_HANDLE_VALUE) {
    std::string bytes = win32::Utf8(line);
    DWORD written = 0;
    ::WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

std::wstring SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
  ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  wchar_t code[32];
  std::swprintf(code, 32, L"error %lu", static_cast<unsigned long>(error));
  return text.empty() ? std::wstring(code) : text + L" (" + code + L")";
}

std::wstring ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return L".";
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? L"." : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ReadEnvironment(const wchar_t* name, std::wstring& value) {
  DWORD length = ::GetEnvironmentVariableW(name, nullptr, 0);
  if (length == 0) return false;
  std::vector<wchar_t> buffer(length);
  length = ::GetEnvironmentVariableW(name, buffer.data(), length);
  value.assign(buffer.data(), length);
  return !value.empty();
}

// Messages the stub writes down: everything a program of the suite might send,
// but not the window management the system itself does with every window.
bool IsLogged(UINT message) {
  return message >= WM_USER || message == WM_COMMAND || message == WM_CLOSE ||
         message == WM_DESTROY;
}

class PeerStub {
 public:
  PeerStub(const PeerStubConfig& config, std::wstring logPath)
      : config_(config), logPath_(std::move(logPath)), start_(::GetTickCount64()) {}

  bool AppendLine(const std::string& line) {
    HANDLE file = ::CreateFileW(logPath_.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Report(config_,
             L"cannot open the log " + logPath_ + L": " + SystemErrorText(::GetLastError()));
      return false;
    }
    std::string text = line + "\n";
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (!ok || written != text.size()) {
      Report(config_, L"cannot write to the log " + logPath_ + L": " + SystemErrorText(error));
      return false;
    }
    return true;
  }

  void LogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    char line[160];
    std::snprintf(line, sizeof line, "%llu message=0x%X wParam=0x%llX lParam=0x%llX",
                  static_cast<unsigned long long>(::GetTickCount64() - start_), message,
                  static_cast<unsigned long long>(wParam),
                  static_cast<unsigned long long>(static_cast<ULONG_PTR>(lParam)));
    if (!AppendLine(line)) failed_ = true;
  }

  bool Failed() const { return failed_; }

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* stub = reinterpret_cast<PeerStub*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (stub == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);

    // Posted messages are written down by the message loop. Here only those
    // sent from another thread or program, so nothing is written twice and the
    // stub's own sends (the WM_DESTROY of its own closing) stay out of the log.
    if (IsLogged(message) && ::InSendMessageEx(nullptr) != ISMEX_NOSEND) {
      stub->LogMessage(message, wParam, lParam);
    }
    switch (message) {
      case WM_CLOSE:
        ::DestroyWindow(window);
        return 0;
      case WM_TIMER:
        if (wParam == kEndTimer) ::DestroyWindow(window);
        return 0;
      case WM_DESTROY:
        // Another program may send or post WM_DESTROY without destroying
        // anything; only the real destruction, which ends in WM_NCDESTROY,
        // ends the stub.
        return 0;
      case WM_NCDESTROY:
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        ::PostQuitMessage(0);
        return 0;
      default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
  }

 private:
  const PeerStubConfig& config_;
  std::wstring logPath_;
  ULONGLONG start_;
  bool failed_ = false;
};

struct Options {
  std::wstring logPath;
  unsigned seconds = 0;
};

bool ParseSeconds(const std::wstring& text, unsigned& seconds) {
  if (text.empty() || text.size() > 6) return false;
  unsigned value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  if (value == 0) return false;
  seconds = value;
  return true;
}

bool ParseCommandLine(const PeerStubConfig& config, Options& options) {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr) {
    Report(config, L"cannot read the command line: " + SystemErrorText(::GetLastError()));
    return false;
  }
  bool ok = true;
  for (int i = 1; i < count && ok; ++i) {
    std::wstring argument = arguments[i];
    bool hasValue = i + 1 < count;
    if (argument == L"--log" && hasValue) {
      options.logPath = arguments[++i];
    } else if (argument == L"--seconds" && hasValue) {
      if (!ParseSeconds(arguments[++i], options.seconds)) {
        Report(config, L"--seconds wants a whole number of seconds from 1 to 999999, not \"" +
                           std::wstring(arguments[i]) + L"\"");
        ok = false;
      }
    } else {
      Report(config,
             L"unexpected argument \"" + argument + L"\"; usage: [--log PATH] [--seconds N]");
      ok = false;
    }
  }
  ::LocalFree(arguments);
  return ok;
}

}  // namespace

int RunPeerStub(const PeerStubConfig& config) {
  Options options;
  if (!ParseCommandLine(config, options)) return 2;
  if (options.logPath.empty() && !ReadEnvironment(config.LogVariable, options.logPath)) {
    options.logPath = ExecutableFolder() + L"\\" + config.DefaultLogName;
  }

  PeerStub stub(config, options.logPath);
  if (!stub.AppendLine("started")) return 1;

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &PeerStub::WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = config.WindowClass;
  if (::RegisterClassExW(&windowClass) == 0) {
    Report(config, L"cannot register the window class: " + SystemErrorText(::GetLastError()));
    return 1;
  }
  // Hidden like the programs it stands for: WS_POPUP and never shown.
  HWND window = ::CreateWindowExW(0, config.WindowClass, config.WindowTitle, WS_POPUP, 0, 0, 100,
                                  100, nullptr, nullptr, instance, &stub);
  if (window == nullptr) {
    Report(config, L"cannot create the window \"" + std::wstring(config.WindowTitle) + L"\": " +
                       SystemErrorText(::GetLastError()));
    return 1;
  }
  if (options.seconds != 0 && ::SetTimer(window, kEndTimer, options.seconds * 1000, nullptr) == 0) {
    Report(config, L"cannot start the timer for --seconds: " + SystemErrorText(::GetLastError()));
    ::DestroyWindow(window);
    return 1;
  }

  MSG message;
  for (;;) {
    BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) break;
    if (got == -1) {
      Report(config, L"the message loop failed: " + SystemErrorText(::GetLastError()));
      return 1;
    }
    if (message.hwnd == window && IsLogged(message.message)) {
      stub.LogMessage(message.message, message.wParam, message.lParam);
    }
    // A posted WM_DESTROY is only a message; dispatching it would make the
    // window procedure believe its window is going away.
    if (message.hwnd == window && message.message == WM_DESTROY) continue;
    ::DispatchMessageW(&message);
  }
  return stub.Failed() ? 1 : 0;
}

}  // namespace lt260::tools
