#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/framework/CWnd.h"
#include "app/framework/WindowSystem.h"
#include "app/framework/WindowsMessageIds.h"

namespace lt260::test {

// Windows without a platform: creation, destruction and delivered messages
// reach the CWnd synchronously, and everything the framework asks of the
// platform is recorded. There is no queue: RunMessageLoop returns at once
// with the code of the last PostQuit (0 if none), and a test delivers
// messages itself with Send. Timers do not run by themselves either: a test
// fires a running timer with FireTimer.
class FakeWindowSystem final : public WindowSystem {
 public:
  struct Window {
    CWnd* Target = nullptr;
    uint32_t Style = 0;
    uint32_t ExtendedStyle = 0;
    std::u16string Title;
    std::vector<std::u16string> TitlesSet;  // by SetTitle, in order
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool Destroyed = false;
  };

  struct Call {
    WindowId Window = 0;
    uint32_t Message = 0;
    uint64_t WParam = 0;
    int64_t LParam = 0;
    friend bool operator==(const Call&, const Call&) = default;
  };

  // Windows are numbered 1, 2, ... in order of creation. As on the real
  // platform, the handle is attached before kWmCreate, and a window whose
  // kWmCreate returns -1 is gone and detached without a kWmDestroy.
  WindowId CreateWindowFor(CWnd& target, uint32_t extendedStyle, std::u16string_view title,
                           uint32_t style, int x, int y, int width, int height) override {
    const WindowId id = nextId_++;
    Window& window = windows_[id];
    window.Target = &target;
    window.Style = style;
    window.ExtendedStyle = extendedStyle;
    window.Title = std::u16string(title);
    window.X = x;
    window.Y = y;
    window.Width = width;
    window.Height = height;
    target.AttachHandle(id);
    if (target.WindowProc(kWmCreate, 0, 0) == -1) {
      window.Destroyed = true;
      target.AttachHandle(0);
      return 0;
    }
    return id;
  }

  intptr_t DefaultProcessing(WindowId window, uint32_t message, uint64_t wParam,
                             int64_t lParam) override {
    defaultCalls_.push_back(Call{window, message, wParam, lParam});
    return 0;
  }

  void SetTitle(WindowId window, std::u16string_view title) override {
    if (Window* found = Live(window)) {
      found->Title = std::u16string(title);
      found->TitlesSet.emplace_back(title);
    }
  }

  void SetExtendedStyle(WindowId window, uint32_t extendedStyle) override {
    if (Window* found = Live(window)) found->ExtendedStyle = extendedStyle;
  }

  // kWmDestroy reaches the window, which is then detached from its CWnd.
  void Destroy(WindowId window) override {
    Window* found = Live(window);
    if (found == nullptr) return;
    found->Destroyed = true;
    found->Target->WindowProc(kWmDestroy, 0, 0);
    found->Target->AttachHandle(0);
    // A destroyed window's timers end with it.
    std::erase_if(timers_, [&](const auto& timer) { return timer.first.first == window; });
  }

  bool SetTimer(WindowId window, uint64_t timerId, uint32_t milliseconds) override {
    if (Live(window) == nullptr) return false;
    timers_[{window, timerId}] = milliseconds;
    ++timerStarts_;
    return true;
  }

  void KillTimer(WindowId window, uint64_t timerId) override { timers_.erase({window, timerId}); }

  // The period of a running timer; nothing when it is not running.
  std::optional<uint32_t> TimerPeriod(WindowId window, uint64_t timerId) const {
    auto found = timers_.find({window, timerId});
    if (found == timers_.end()) return std::nullopt;
    return found->second;
  }
  // How often any timer was set (started or started again).
  int TimerStarts() const { return timerStarts_; }
  // Delivers kWmTimer for a running timer, as its period ending would; false
  // when the timer is not running.
  bool FireTimer(WindowId window, uint64_t timerId) {
    if (!TimerPeriod(window, timerId)) return false;
    Send(window, kWmTimer, timerId, 0);
    return true;
  }

  int RunMessageLoop() override {
    ++loopRuns_;
    return quitCode_.value_or(0);
  }

  void PostQuit(int exitCode) override {
    quitCode_ = exitCode;
    ++quitPosts_;
  }

  // Delivers a message to a live window as the platform would; 0 if there
  // is none.
  intptr_t Send(WindowId window, uint32_t message, uint64_t wParam = 0, int64_t lParam = 0) {
    Window* found = Live(window);
    return found == nullptr ? 0 : found->Target->WindowProc(message, wParam, lParam);
  }

  // The window of this id, destroyed or not; nullptr if never created.
  const Window* Find(WindowId window) const {
    auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : &found->second;
  }
  std::size_t WindowCount() const { return windows_.size(); }
  const std::vector<Call>& DefaultCalls() const { return defaultCalls_; }
  void ClearDefaultCalls() { defaultCalls_.clear(); }
  std::optional<int> QuitCode() const { return quitCode_; }
  int QuitPosts() const { return quitPosts_; }
  int LoopRuns() const { return loopRuns_; }

 private:
  Window* Live(WindowId window) {
    auto found = windows_.find(window);
    if (found == windows_.end() || found->second.Destroyed) return nullptr;
    return &found->second;
  }

  WindowId nextId_ = 1;
  std::map<WindowId, Window> windows_;
  std::vector<Call> defaultCalls_;
  std::map<std::pair<WindowId, uint64_t>, uint32_t> timers_;
  int timerStarts_ = 0;
  std::optional<int> quitCode_;
  int quitPosts_ = 0;
  int loopRuns_ = 0;
};

}  // namespace lt260::test
