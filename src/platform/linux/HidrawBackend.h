#pragma once

#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hid/HidBackend.h"
#include "platform/linux/DeviceEvents.h"
#include "platform/linux/HidrawInterfaces.h"
#include "platform/linux/HidrawNodes.h"
#include "ports/DeviceNotices.h"

namespace lt260 {

// The HID port over Linux hidraw nodes.
//
// Enumeration lists one interface per top-level collection of every hidraw
// node (see HidrawInterface), with the lengths the descriptor gives. A device
// opens its node read-write and non-blocking; feature reports travel through
// HIDIOCSFEATURE and HIDIOCGFEATURE with exactly the collection's feature
// length, as on Windows. Input reads wait in poll() on the node and on an
// eventfd that CancelRead sets and nothing clears, so a cancel ends a pending
// read at once and every later one too. Reads deliver the collection's own
// reports only, each with its report-ID byte first (0 for unnumbered reports,
// as Windows gives them).
//
// Device notices come from `events` (a udev monitor in the product): a thread
// waits on it and posts `noticeMessage` to the registered window for every
// batch of hidraw changes. It sleeps in poll() while nothing happens. There
// are no removal requests to watch for: nothing an open node holds vetoes a
// removal.
class HidrawBackend final : public HidBackend, public DeviceNotices {
 public:
  HidrawBackend(std::unique_ptr<HidrawNodeSource> nodes,
                std::unique_ptr<DeviceEventSourceFactory> events, WindowMessages& notices,
                uint32_t noticeMessage);
  ~HidrawBackend() override;

  std::vector<std::u16string> EnumerateInterfaces() override;
  std::unique_ptr<HidDevice> Open(const std::u16string& path) override;

  // DeviceNotices.
  uintptr_t WatchInterfaces(WindowId window) override;
  void EndWatch(uintptr_t watch) override;

  // Every interface present now, for listings and diagnosis.
  std::vector<HidrawInterface> Interfaces();
  // The errno of the last failed Open of `path`, 0 when it opened or was not tried.
  int LastOpenError(const std::u16string& path) const;

 private:
  std::optional<HidrawInterface> Listed(const std::string& path);

  std::unique_ptr<HidrawNodeSource> nodes_;
  std::unique_ptr<DeviceEventSourceFactory> events_;
  WindowMessages& notices_;
  const uint32_t noticeMessage_;
  mutable std::mutex mutex_;
  std::map<std::u16string, int> openErrors_;
  std::vector<HidrawInterface> listed_;
  std::map<uintptr_t, std::unique_ptr<HotplugNotifier>> notifiers_;
  uintptr_t nextRegistration_ = 1;
};

}  // namespace lt260
