#include "Waiting.h"

#include <thread>

namespace lt260::driver {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

}  // namespace lt260::driver
