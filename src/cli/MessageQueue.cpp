#include "cli/MessageQueue.h"

namespace lt260 {

bool MessageQueue::Post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam) {
  if (window != kCliWindow) return false;
  // Notified under the lock: a quit message may end the queue's owner as
  // soon as the waiter sees it, and the notify must not touch a dead queue.
  std::lock_guard lock(mutex_);
  messages_.push_back(Message{message, wParam, lParam});
  posted_.notify_one();
  return true;
}

void MessageQueue::PostDpiStage(int stage) {
  Post(kCliWindow, WM_AGENT_DPI_STAGE, static_cast<uint64_t>(stage), 0);
}

MessageQueue::Message MessageQueue::Wait() {
  std::unique_lock lock(mutex_);
  posted_.wait(lock, [this] { return !messages_.empty(); });
  Message message = messages_.front();
  messages_.pop_front();
  return message;
}

bool MessageQueue::Empty() const {
  std::lock_guard lock(mutex_);
  return messages_.empty();
}

}  // namespace lt260
