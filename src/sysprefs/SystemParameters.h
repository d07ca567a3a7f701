#pragma once

#include <cstdint>

namespace lt260 {

// The wheel setting for scrolling one screen per notch instead of a number of lines.
inline constexpr uint32_t kWheelPageScroll = 0xFFFFFFFF;

// The system-wide pointer and wheel parameters the Agent sets from a profile.
// Pointer changes take effect at once and are announced to every window but are
// not stored in the user profile; the wheel lines are stored but not announced.
class SystemParameters {
 public:
  virtual ~SystemParameters() = default;

  virtual bool SetDoubleClickTime(uint32_t milliseconds) = 0;
  // The pointer-acceleration triple: two movement thresholds and the level.
  virtual bool SetMouse(int32_t threshold1, int32_t threshold2, int32_t acceleration) = 0;
  // Pointer speed from 1 (slowest) to 20.
  virtual bool SetMouseSpeed(uint32_t speed) = 0;
  virtual bool SetWheelScrollLines(uint32_t lines) = 0;
  // The error code left by the last call that failed on this thread.
  virtual uint32_t LastError() = 0;
};

}  // namespace lt260
