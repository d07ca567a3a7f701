#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ports/DebugOutput.h"
#include "ports/WindowMessages.h"

namespace lt260::test {

// One message posted through RecordingWindowMessages.
struct PostedMessage {
  WindowId Window = 0;
  uint32_t Message = 0;
  uint64_t WParam = 0;
  int64_t LParam = 0;

  friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

// Window lookup from a table of titles, and a record of every post. Safe to
// post from any thread; waits let a test meet a post from another thread.
class RecordingWindowMessages final : public WindowMessages {
 public:
  // Makes FindWindowByTitle(title) return `window` (0 removes the title).
  void SetWindow(std::u16string_view title, WindowId window) {
    std::lock_guard lock(mutex_);
    if (window == 0) {
      windows_.erase(std::u16string(title));
    } else {
      windows_[std::u16string(title)] = window;
    }
  }
  // Makes every later Post fail (as for a full queue or a window gone).
  void FailPosts(bool fail) {
    std::lock_guard lock(mutex_);
    failPosts_ = fail;
  }

  WindowId FindWindowByTitle(std::u16string_view title) override {
    std::lock_guard lock(mutex_);
    const auto found = windows_.find(std::u16string(title));
    return found == windows_.end() ? 0 : found->second;
  }

  bool Post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam) override {
    bool accepted = false;
    {
      std::lock_guard lock(mutex_);
      posts_.push_back({window, message, wParam, lParam});
      accepted = !failPosts_;
    }
    posted_.notify_all();
    return accepted;
  }

  std::vector<PostedMessage> Posts() const {
    std::lock_guard lock(mutex_);
    return posts_;
  }
  std::size_t PostCount() const {
    std::lock_guard lock(mutex_);
    return posts_.size();
  }
  // Waits until at least `count` posts were recorded; false on timeout.
  bool WaitForPosts(std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) const {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, timeout, [&] { return posts_.size() >= count; });
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    posts_.clear();
  }

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable posted_;
  std::map<std::u16string, WindowId> windows_;
  std::vector<PostedMessage> posts_;
  bool failPosts_ = false;
};

// Every debug-output line, in order. Safe to write from any thread.
class RecordingDebugOutput final : public DebugOutput {
 public:
  void Write(std::string_view line) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace lt260::test
