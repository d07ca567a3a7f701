#include "TopLevelWindows.h"

#include <cstdio>

#include "common/SystemErrorText.h"
#include "platform/win32/SimulatedMouseControl.h"
#include "ports/MessageNumbers.h"

namespace lt260::driver {

HWND FindWindowTitled(std::wstring_view title) {
  return ::FindWindowW(nullptr, std::wstring(title).c_str());
}

HWND WaitForWindow(std::wstring_view title, std::chrono::milliseconds limit) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindWindowTitled(title)) != nullptr; }, limit);
  return window;
}

bool WaitForNoWindow(std::wstring_view title, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return FindWindowTitled(title) == nullptr; }, limit);
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::string& error) {
  if (window == nullptr) {
    error = "no window to post " + MessageName(message) + " to";
    return false;
  }
  if (!::PostMessageW(window, message, wParam, lParam)) {
    error = "cannot post " + MessageName(message) + ": " + tools::LastErrorText();
    return false;
  }
  return true;
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
          std::string& error, std::chrono::milliseconds limit) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(limit.count()), &answer)) {
    error = MessageName(message) + " was not answered within " + std::to_string(limit.count()) +
            " ms: " + tools::LastErrorText();
    return false;
  }
  result = static_cast<LRESULT>(answer);
  return true;
}

std::string MessageName(UINT message) {
  switch (message) {
    case WM_DESTROY:
      return "WM_DESTROY";
    case WM_CLOSE:
      return "WM_CLOSE";
    case WM_COMMAND:
      return "WM_COMMAND";
    case WM_DEVICECHANGE:
      return "WM_DEVICECHANGE";
    case WM_WTSSESSION_CHANGE:
      return "WM_WTSSESSION_CHANGE";
    case WM_AGENT_RELOAD:
      return "WM_AGENT_RELOAD";
    case WM_AGENT_DPI_STAGE:
      return "WM_AGENT_DPI_STAGE";
    case WM_AGENT_DEVICE_COMMAND:
      return "WM_AGENT_DEVICE_COMMAND";
    case WM_AGENT_TRAY_NOTIFY:
      return "WM_AGENT_TRAY_NOTIFY";
    case WM_CFG_SYNC_DONE:
      return "WM_CFG_SYNC_DONE";
    case WM_CFG_DPI_STAGE:
      return "WM_CFG_DPI_STAGE";
    case WM_CFG_DEVICE_ABSENT:
      return "WM_CFG_DEVICE_ABSENT";
    case WM_SIM_PLUG:
      return "WM_SIM_PLUG";
    case WM_SIM_UNPLUG:
      return "WM_SIM_UNPLUG";
    case WM_SIM_PRESS_DPI:
      return "WM_SIM_PRESS_DPI";
    case WM_SIM_REFUSE:
      return "WM_SIM_REFUSE";
    case WM_SIM_WRITE_TRACE:
      return "WM_SIM_WRITE_TRACE";
    case WM_SIM_VANISH_AFTER:
      return "WM_SIM_VANISH_AFTER";
    case WM_SIM_GARBAGE:
      return "WM_SIM_GARBAGE";
    case WM_COPYDATA:
      return "WM_COPYDATA";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%X", message);
      return text;
    }
  }
}

}  // namespace lt260::driver
