#pragma once

#include <cstdint>
#include <string_view>

namespace lt260 {

// A top-level window, as the platform names it; 0 is no window.
using WindowId = uintptr_t;

// Finding windows by title and posting messages to them: how the Agent talks
// to the Configurator and to itself across threads.
class WindowMessages {
 public:
  virtual ~WindowMessages() = default;
  // The top-level window with exactly this title, or 0.
  virtual WindowId FindWindowByTitle(std::u16string_view title) = 0;
  // Posts without waiting; false when the window is gone or the queue is full.
  virtual bool Post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam) = 0;
};

}  // namespace lt260
