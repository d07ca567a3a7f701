#pragma once

#include <cstdint>

namespace lt260 {

// The system's millisecond tick counter and the sleep that device work waits
// with. Waiting belongs to the caller's clock so tests can assert every wait
// without spending the time.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since some fixed point, wrapping at 2^32 as the system counter does.
  virtual uint32_t TickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace lt260
