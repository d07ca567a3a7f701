#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/linux/UniqueFd.h"
#include "ports/WindowMessages.h"

namespace lt260 {

// Something that becomes readable when devices change: a udev monitor in the
// product, a pipe in tests.
class DeviceEventSource {
 public:
  virtual ~DeviceEventSource() = default;
  virtual int Fd() const = 0;
  // Takes what is waiting off the descriptor; true when a change of interest
  // was among it.
  virtual bool Receive() = 0;
};

class DeviceEventSourceFactory {
 public:
  virtual ~DeviceEventSourceFactory() = default;
  // Null when the source cannot be created.
  virtual std::unique_ptr<DeviceEventSource> Create() = 0;
};

// The udev monitor of hidraw nodes appearing and going.
class UdevHidrawMonitorFactory final : public DeviceEventSourceFactory {
 public:
  std::unique_ptr<DeviceEventSource> Create() override;
};

// A thread that waits on `source` and posts `message` to `window` after each
// change, until destroyed; it is blocked in poll() the rest of the time.
class HotplugNotifier {
 public:
  HotplugNotifier(std::unique_ptr<DeviceEventSource> source, WindowMessages& messages,
                  WindowId window, uint32_t message);
  ~HotplugNotifier();
  HotplugNotifier(const HotplugNotifier&) = delete;
  HotplugNotifier& operator=(const HotplugNotifier&) = delete;

  bool Running() const { return stop_.Valid(); }
  // Wake-ups of the thread so far, for measuring its idle cost.
  uint64_t Wakeups() const { return wakeups_.load(); }

 private:
  void Run();

  std::unique_ptr<DeviceEventSource> source_;
  WindowMessages& messages_;
  const WindowId window_;
  const uint32_t message_;
  UniqueFd stop_;
  std::atomic<uint64_t> wakeups_{0};
  std::thread thread_;
};

}  // namespace lt260
