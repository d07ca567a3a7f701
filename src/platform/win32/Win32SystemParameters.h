#pragma once

#include <cstdint>

#include "sysprefs/SystemParameters.h"

namespace lt260 {

// The system-parameter port over SystemParametersInfoW and SetDoubleClickTime.
class Win32SystemParameters final : public SystemParameters {
 public:
  bool SetDoubleClickTime(uint32_t milliseconds) override;
  bool SetMouse(int32_t threshold1, int32_t threshold2, int32_t acceleration) override;
  bool SetMouseSpeed(uint32_t speed) override;
  bool SetWheelScrollLines(uint32_t lines) override;
  uint32_t LastError() override;
};

}  // namespace lt260
