#pragma once

#include <chrono>
#include <thread>

#include "ports/Clock.h"

namespace lt260 {

// The Clock port over the standard steady clock, for lt260ctl on any system.
class SteadyClock final : public Clock {
 public:
  uint32_t TickCount() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }
  void Sleep(uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace lt260
