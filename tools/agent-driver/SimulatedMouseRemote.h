#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32/SimulatedMouseControl.h"
#include "platform/win32/Win32Text.h"
#include "sim/TransferTrace.h"

namespace lt260::driver {

// The title of the simulator's control window (kSimulatedMouseWindowTitle).
inline const wchar_t* const kSimulatedMouseWindow = win32::AsWide(kSimulatedMouseWindowTitle);

// Sends a control message (WM_SIM_PLUG and the rest) to the simulator's
// control window and waits until the mouse has acted on it, so that the
// device notice it posts to the Agent is queued before anything posted after.
bool ControlSimulatedMouse(UINT message, WPARAM wParam, std::string& error);
// Makes the simulated mouse answer its reads of report 3 or 4 with `report`
// (the whole report, ID first), as lt260-sim-control's "hold" does.
bool HoldSimulatedReport(const std::vector<uint8_t>& report, std::string& error);

// The simulated mouse's transfer log as it stands, one transfer a trace line
// (TraceLine); empty when it does not exist yet. A line that is not a
// transfer is reported in `error` and skipped.
std::vector<TransferRecord> ReadTransferLog(const std::filesystem::path& log, std::string& error);

}  // namespace lt260::driver
