#pragma once

#include <cstdint>

#include "ports/Clock.h"

namespace lt260 {

// The system tick counter and sleep.
class Win32Clock final : public Clock {
 public:
  uint32_t TickCount() override;
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace lt260
