#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/HidBackend.h"
#include "ports/DeviceNotices.h"

namespace lt260 {

struct Win32HidSystemCalls;

// The HID port over SetupAPI and the Windows HID library, and the device
// notices of its interfaces through RegisterDeviceNotificationW.
//
// Devices it opens are overlapped file handles. Each owns a manual-reset cancel
// event: CancelRead only sets that event, so it may be called from any thread
// at any moment while the device exists, any number of times. A ReadInput that
// sees the event, before or while its read is pending, cancels its own request
// and waits for the request to finish before returning 0, so the caller's
// buffer is never written after ReadInput returns. The handle is closed only by
// the device's destructor, and the owner destroys a device only when no
// ReadInput is running on it.
//
// Windows keeps the mouse and keyboard collections of every device for itself
// and refuses to open them for reading and writing. Such an interface is
// opened again without any access: its capabilities and feature reports still
// work, and the device says it cannot read.
class Win32HidBackend final : public HidBackend, public DeviceNotices {
 public:
  // `calls` (kept, not copied) replaces the system calls, for tests; null for
  // the system's own.
  explicit Win32HidBackend(const Win32HidSystemCalls* calls = nullptr);

  std::vector<std::u16string> EnumerateInterfaces() override;
  std::unique_ptr<HidDevice> Open(const std::u16string& path) override;

  // DeviceNotices.
  uintptr_t WatchInterfaces(WindowId window) override;
  // Watches the handle of a device this backend opened; 0 for any other.
  uintptr_t WatchRemoval(const HidDevice& device, WindowId window) override;
  void EndWatch(uintptr_t watch) override;
  // Reads the DEV_BROADCAST_HANDLE a WM_DEVICECHANGE carries.
  uintptr_t WatchOfNotice(int64_t notice) const override;

 private:
  const Win32HidSystemCalls& calls_;
};

}  // namespace lt260
