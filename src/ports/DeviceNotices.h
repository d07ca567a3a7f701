#pragma once

#include <cstdint>

#include "ports/WindowMessages.h"

namespace lt260 {

class HidDevice;

// Registration of a window for the system's device notices: HID interfaces
// arriving and leaving, and the removal of one interface held open. Every
// registration is ended with EndWatch, which may come after its device is
// gone; the registration must not outlive its window.
class DeviceNotices {
 public:
  virtual ~DeviceNotices() = default;

  // Registers `window` for arrival and removal notices of every HID
  // interface. Returns the registration, 0 when it failed.
  virtual uintptr_t WatchInterfaces(WindowId window) = 0;
  // Registers `window` for the notices about `device`'s removal: the request
  // to remove it, the request's failure, the removal itself. `device` is one
  // the same system's HID backend opened. Returns the registration; 0 where
  // there are no such notices or the registration failed.
  virtual uintptr_t WatchRemoval(const HidDevice& /*device*/, WindowId /*window*/) { return 0; }
  virtual void EndWatch(uintptr_t watch) = 0;
  // The registration of WatchRemoval a removal notice (the parameter of the
  // window message that carries it) is addressed to; 0 for a notice about
  // anything else.
  virtual uintptr_t WatchOfNotice(int64_t /*notice*/) const { return 0; }
};

}  // namespace lt260
