#include "SimulatedMouseRemote.h"

#include <optional>
#include <utility>

#include "TextLines.h"
#include "TopLevelWindows.h"
#include "platform/win32/SimulatedMouseControl.h"
#include "platform/win32/Win32Text.h"

namespace lt260::driver {

namespace {

// The simulator's control window, or nullptr with the reason in `error`.
HWND ControlWindow(std::string& error) {
  HWND window = FindWindowTitled(kSimulatedMouseWindow);
  if (window == nullptr) {
    error = "no window titled \"" + win32::Utf8(kSimulatedMouseWindow) +
            "\": is LT260AgentSim.exe running?";
  }
  return window;
}

}  // namespace

bool ControlSimulatedMouse(UINT message, WPARAM wParam, std::string& error) {
  HWND window = ControlWindow(error);
  LRESULT result = 0;
  return window != nullptr && Send(window, message, wParam, 0, result, error);
}

bool HoldSimulatedReport(const std::vector<uint8_t>& report, std::string& error) {
  HWND window = ControlWindow(error);
  if (window == nullptr) return false;
  COPYDATASTRUCT data{};
  data.dwData = kSimHoldReportData;
  data.cbData = static_cast<DWORD>(report.size());
  data.lpData = const_cast<uint8_t*>(report.data());
  LRESULT result = 0;
  if (!Send(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), result, error)) return false;
  if (result == 0) {
    error = "the simulated mouse did not take the report of " + std::to_string(report.size()) +
            " bytes";
    return false;
  }
  return true;
}

std::vector<TransferRecord> ReadTransferLog(const std::filesystem::path& log, std::string& error) {
  std::vector<TransferRecord> transfers;
  for (const std::string& line : ReadTextLines(log)) {
    if (line.empty()) continue;
    if (std::optional<TransferRecord> transfer = ParseTraceLine(line)) {
      transfers.push_back(std::move(*transfer));
    } else if (error.empty()) {
      error =
          "not a transfer in " + win32::Utf8(log.wstring()) + ": \"" + line.substr(0, 80) + "\"";
    }
  }
  return transfers;
}

}  // namespace lt260::driver
