#pragma once

#include <cstdint>
#include <vector>

#include "ports/Clock.h"

namespace lt260::test {

// A clock whose time moves only when the code under test sleeps or the test
// says so. Every sleep is recorded.
class FakeClock final : public Clock {
 public:
  explicit FakeClock(uint32_t now = 100'000) : now_(now) {}

  uint32_t TickCount() override { return now_; }
  void Sleep(uint32_t milliseconds) override {
    sleeps_.push_back(milliseconds);
    now_ += milliseconds;
  }

  void Set(uint32_t now) { now_ = now; }
  void Advance(uint32_t milliseconds) { now_ += milliseconds; }
  const std::vector<uint32_t>& Sleeps() const { return sleeps_; }
  void ClearSleeps() { sleeps_.clear(); }

 private:
  uint32_t now_;
  std::vector<uint32_t> sleeps_;
};

}  // namespace lt260::test
