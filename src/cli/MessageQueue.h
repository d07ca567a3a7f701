#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "ports/MessageNumbers.h"
#include "ports/WindowMessages.h"

namespace lt260 {

// lt260ctl's stand-in for a window's message queue: the input listener's
// stage handler, the hot-plug notices and the system watchers post here from
// their threads, and
// the program's one loop takes the messages in order. No window exists, so no
// title is ever found.
class MessageQueue final : public WindowMessages {
 public:
  struct Message {
    uint32_t Number = 0;
    uint64_t WParam = 0;
    int64_t LParam = 0;
  };

  WindowId FindWindowByTitle(std::u16string_view) override { return 0; }
  bool Post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam) override;
  // The input listener's stage handler: the stage reaches the loop as
  // WM_AGENT_DPI_STAGE.
  void PostDpiStage(int stage);

  // Blocks until a message is there; no timeout, so an idle program sleeps.
  Message Wait();
  bool Empty() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Message> messages_;
};

// The one recipient of lt260ctl's messages.
inline constexpr WindowId kCliWindow = 1;

// Messages of lt260ctl's own, beside the DPI-stage message of the listener.
inline constexpr uint32_t kCliDeviceChanged = 0x8001;
inline constexpr uint32_t kCliResumed = 0x8002;
inline constexpr uint32_t kCliQuit = 0x8003;

}  // namespace lt260
