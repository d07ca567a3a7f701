#pragma once

#include <cstdint>

#include "hid/RemovalWatcher.h"
#include "ports/DeviceNotices.h"

namespace lt260 {

// The channel's removal watches, as notices to one window.
class WindowRemovalWatcher final : public RemovalWatcher {
 public:
  WindowRemovalWatcher(DeviceNotices& notices, WindowId window)
      : notices_(notices), window_(window) {}

  uintptr_t Watch(const HidDevice& device) override {
    return notices_.WatchRemoval(device, window_);
  }
  void EndWatch(uintptr_t watch) override { notices_.EndWatch(watch); }
  uintptr_t WatchOfNotice(int64_t notice) const override { return notices_.WatchOfNotice(notice); }

 private:
  DeviceNotices& notices_;
  const WindowId window_;
};

}  // namespace lt260
