#include "platform/win32/SimulatedMouseControl.h"

#include <windows.h>
// <dbt.h> builds on <windows.h>.
#include <dbt.h>

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "platform/win32/Win32Text.h"
#include "sim/SimulatedMouse.h"
#include "sim/TransferTrace.h"

namespace lt260 {
namespace {

static_assert(WM_APP == kWmApp);

constexpr wchar_t kWindowClass[] = L"LT260SimulatedMouseControl";
constexpr UINT_PTR kTraceTimer = 1;
constexpr UINT kTracePeriodMs = 100;

std::wstring LogPathFromEnvironment() {
  DWORD length = ::GetEnvironmentVariableW(win32::AsWide(kSimulatedMouseLogVariable), nullptr, 0);
  if (length == 0) return {};
  std::vector<wchar_t> buffer(length);
  length =
      ::GetEnvironmentVariableW(win32::AsWide(kSimulatedMouseLogVariable), buffer.data(), length);
  return std::wstring(buffer.data(), length);
}

void DebugLine(const std::wstring& text) {
  ::OutputDebugStringW((L"SimulatedMouseControl: " + text + L"\n").c_str());
}

}  // namespace

struct SimulatedMouseControl::State {
  SimulatedMouse& mouse;
  std::wstring logPath;
  HWND window = nullptr;
  size_t written = 0;
  bool logFailing = false;

  // Tells the window registered for device notices that the device tree
  // changed, as Windows does when a device comes or goes.
  void AnnounceDeviceChange() {
    WindowId recipient = mouse.NotificationWindow();
    if (recipient == 0) return;
    if (!::PostMessageW(reinterpret_cast<HWND>(recipient), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED,
                        0)) {
      DebugLine(L"could not post WM_DEVICECHANGE to the registered window (error " +
                std::to_wstring(::GetLastError()) + L")");
    }
  }

  LRESULT Handle(UINT message, WPARAM wParam) {
    switch (message) {
      case WM_SIM_PLUG:
        if (mouse.PluggedIn()) return 0;
        mouse.Plug();
        AnnounceDeviceChange();
        return 1;
      case WM_SIM_UNPLUG:
        if (!mouse.PluggedIn()) return 0;
        mouse.Unplug();
        AnnounceDeviceChange();
        return 1;
      case WM_SIM_PRESS_DPI:
        if (wParam > 0xFF) return 0;
        mouse.PressDpiButton(static_cast<uint8_t>(wParam));
        return 1;
      case WM_SIM_REFUSE:
        if (wParam > 0x7FFFFFFF) return 0;
        mouse.RefuseNextTransfers(static_cast<int>(wParam));
        return 1;
      case WM_SIM_VANISH_AFTER:
        if (wParam > 0x7FFFFFFF) return 0;
        mouse.VanishAfterTransfers(static_cast<int>(wParam));
        return 1;
      case WM_SIM_GARBAGE:
        if (wParam == 0 || wParam > kMostGarbageReports) return 0;
        mouse.SendGarbage(static_cast<int>(wParam));
        return 1;
      default:
        return 0;
    }
  }

  LRESULT HoldReport(const COPYDATASTRUCT* data) {
    if (data == nullptr || data->dwData != kSimHoldReportData || data->lpData == nullptr) return 0;
    const std::span<const uint8_t> report(static_cast<const uint8_t*>(data->lpData), data->cbData);
    return mouse.HoldReport(report) ? 1 : 0;
  }

  bool WriteTrace() {
    if (logPath.empty()) return true;
    std::vector<TransferRecord> records = mouse.Transfers();
    // A shorter trace than what was written means someone cleared it.
    if (records.size() < written) written = 0;
    if (records.size() == written) return true;
    std::string text;
    for (size_t i = written; i < records.size(); ++i) text += TraceLine(records[i]) + "\n";

    HANDLE file = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
              done == text.size();
    DWORD error = ::GetLastError();
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    if (!ok) {
      // Said once per run of failures: the timer would otherwise repeat it
      // ten times a second.
      if (!logFailing) {
        DebugLine(L"cannot write the trace to " + logPath + L" (error " + std::to_wstring(error) +
                  L")");
      }
      logFailing = true;
      return false;
    }
    logFailing = false;
    written = records.size();
    return true;
  }

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<State*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
      case WM_SIM_PLUG:
      case WM_SIM_UNPLUG:
      case WM_SIM_PRESS_DPI:
      case WM_SIM_REFUSE:
      case WM_SIM_VANISH_AFTER:
      case WM_SIM_GARBAGE: {
        LRESULT result = state->Handle(message, wParam);
        state->WriteTrace();
        return result;
      }
      case WM_COPYDATA:
        return state->HoldReport(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      case WM_SIM_WRITE_TRACE:
        return state->WriteTrace() ? 1 : 0;
      case WM_TIMER:
        if (wParam == kTraceTimer) {
          state->WriteTrace();
          return 0;
        }
        break;
      case WM_NCDESTROY:
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        state->window = nullptr;
        break;
      default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
};

SimulatedMouseControl::SimulatedMouseControl(SimulatedMouse& mouse)
    : state_(new State{mouse, LogPathFromEnvironment()}) {
  // A mouse pulled out mid-sequence is announced like an unplug.
  mouse.SetVanishHandler([state = state_.get()] { state->AnnounceDeviceChange(); });
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &State::WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    DebugLine(L"cannot register the window class (error " + std::to_wstring(::GetLastError()) +
              L")");
    return;
  }
  // A hidden top-level window rather than a message-only one: FindWindowW,
  // which the control tool uses, sees only top-level windows.
  state_->window =
      ::CreateWindowExW(0, kWindowClass, win32::AsWide(kSimulatedMouseWindowTitle), WS_POPUP, 0, 0,
                        0, 0, nullptr, nullptr, instance, state_.get());
  if (state_->window == nullptr) {
    DebugLine(L"cannot create the control window (error " + std::to_wstring(::GetLastError()) +
              L")");
    return;
  }
  if (!state_->logPath.empty() &&
      ::SetTimer(state_->window, kTraceTimer, kTracePeriodMs, nullptr) == 0) {
    DebugLine(L"cannot start the trace timer (error " + std::to_wstring(::GetLastError()) +
              L"); the trace is written only on request");
  }
}

SimulatedMouseControl::~SimulatedMouseControl() {
  state_->mouse.SetVanishHandler({});
  state_->WriteTrace();
  if (state_->window != nullptr) ::DestroyWindow(state_->window);
}

WindowId SimulatedMouseControl::Window() const {
  return reinterpret_cast<WindowId>(state_->window);
}

bool SimulatedMouseControl::WriteTrace() { return state_->WriteTrace(); }

}  // namespace lt260
