#pragma once

#include <csignal>

#include "cli/CliPlatform.h"
#include "cli/SteadyClock.h"

namespace lt260 {

// lt260ctl on Linux: hidraw devices through udev, or the simulated mouse
// (started unplugged when LT260_SIM_UNPLUGGED=1, driven through the named
// pipe LT260_SIM_CONTROL names with lines "plug", "unplug", "press N",
// "resume" and "quit"). The watchers of agent and watch are one thread
// asleep in poll() on a signalfd for SIGINT and SIGTERM, a resume timer, the
// simulated mouse's pipe and a stop eventfd.
//
// Resume: a CLOCK_REALTIME timerfd armed with TFD_TIMER_CANCEL_ON_SET wakes
// whenever the wall clock jumps, which the kernel also signals on every
// resume; it is taken for a resume only when CLOCK_BOOTTIME has moved ahead
// of CLOCK_MONOTONIC since the last look (the time spent suspended), so a
// clock set by hand or by NTP is not one.
class LinuxCliPlatform final : public CliPlatform {
 public:
  // Blocks SIGINT and SIGTERM in the calling thread and every thread it
  // starts afterwards, so the watcher receives them through its signalfd.
  // Call first in main.
  static void BlockTerminationSignals();

  std::unique_ptr<MouseSystem> OpenMouseSystem(DeviceChoice device,
                                               WindowMessages& notices) override;
  Clock& SystemClock() override { return clock_; }
  std::filesystem::path DefaultSettingsPath() override;
  std::shared_ptr<void> StartWatchers(MessageQueue& queue, MouseSystem& mouse) override;

 private:
  SteadyClock clock_;
};

// Nanoseconds CLOCK_BOOTTIME is ahead of CLOCK_MONOTONIC: the time the
// system has spent suspended since it started.
int64_t SuspendedNanoseconds();

}  // namespace lt260
