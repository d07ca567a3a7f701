#pragma once

#include <cstdint>
#include <memory>

#include "ports/WindowMessages.h"

namespace lt260 {

class SimulatedMouse;

// The title of the hidden window through which other programs drive the
// simulated mouse of the simulator build (lt260-sim-control finds it by title).
inline constexpr char16_t kSimulatedMouseWindowTitle[] = u"LT-260 Simulated Mouse";

// Control messages, posted (or sent) to that window. WM_APP is 0x8000, above
// every number the Agent and the Configurator use among themselves. The
// window procedure answers 1 when the message did something, 0 otherwise.
inline constexpr uint32_t kWmApp = 0x8000;
// Attach the mouse. If it was unplugged, the window registered for device
// notices gets WM_DEVICECHANGE with DBT_DEVNODES_CHANGED, as from Windows.
inline constexpr uint32_t WM_SIM_PLUG = kWmApp + 1;  // 0x8001
// Detach the mouse; the same notice if it was plugged in.
inline constexpr uint32_t WM_SIM_UNPLUG = kWmApp + 2;  // 0x8002
// Press the DPI button: wParam is the new stage, 0 to 255.
inline constexpr uint32_t WM_SIM_PRESS_DPI = kWmApp + 3;  // 0x8003
// Refuse the next wParam feature transfers, 0 to 0x7FFFFFFF.
inline constexpr uint32_t WM_SIM_REFUSE = kWmApp + 4;  // 0x8004
// Append the transfers not yet written to the trace log now.
inline constexpr uint32_t WM_SIM_WRITE_TRACE = kWmApp + 5;  // 0x8005
// Pull the mouse out after the next wParam feature transfers, 1 to
// 0x7FFFFFFF, with the same notice as an unplug; 0 calls it off.
inline constexpr uint32_t WM_SIM_VANISH_AFTER = kWmApp + 6;  // 0x8006
// Send wParam random input reports of random length and ID, 1 to
// kMostGarbageReports.
inline constexpr uint32_t WM_SIM_GARBAGE = kWmApp + 7;  // 0x8007
inline constexpr uint32_t kMostGarbageReports = 100000;
// WM_COPYDATA with this dwData holds the report it carries (report 3 of 40
// bytes or report 4 of 2049, ID first): the mouse answers its next reads of
// that report with it, as if programmed. WM_COPYDATA must be sent, not posted.
inline constexpr uint64_t kSimHoldReportData = 0x4C543236;  // "LT26"

// Names the trace log; nothing is written when it is not set.
inline constexpr char16_t kSimulatedMouseLogVariable[] = u"LT260_SIM_LOG";

// A hidden window on the creating thread (the Agent's main thread) that turns
// control messages into calls on a simulated mouse, and writes the mouse's
// transfer trace to the file named by LT260_SIM_LOG: the new transfers every
// 100 ms, on WM_SIM_WRITE_TRACE, after every control message and when the
// control is destroyed, one trace line a transfer (TraceLine). The log is
// appended to, never truncated.
//
// The mouse must outlive the control. The window lives as long as the object
// and must be destroyed on the thread that created it.
class SimulatedMouseControl {
 public:
  explicit SimulatedMouseControl(SimulatedMouse& mouse);
  ~SimulatedMouseControl();
  SimulatedMouseControl(const SimulatedMouseControl&) = delete;
  SimulatedMouseControl& operator=(const SimulatedMouseControl&) = delete;

  // The control window, or 0 when it could not be created.
  WindowId Window() const;
  // Appends the transfers not yet written; false when the log cannot be written.
  bool WriteTrace();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace lt260
