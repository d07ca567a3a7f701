#pragma once

#include <cstdint>

#include "hid/HidBackend.h"

namespace lt260 {

// Watches open interfaces for the system's requests to remove them, so that
// holding them never vetoes disabling the mouse or updating its driver. Its
// owner decides where the notices go; the channel only starts and ends
// watches and asks which watch a notice is addressed to.
class RemovalWatcher {
 public:
  virtual ~RemovalWatcher() = default;
  // Starts watching `device`. Returns the watch, 0 where none was made.
  virtual uintptr_t Watch(const HidDevice& device) = 0;
  // Ends a watch Watch returned; it may outlive its device.
  virtual void EndWatch(uintptr_t watch) = 0;
  // The watch a removal notice is addressed to; 0 for any other notice.
  virtual uintptr_t WatchOfNotice(int64_t notice) const = 0;
};

}  // namespace lt260
