#pragma once

#include "cli/CliPlatform.h"
#include "cli/SteadyClock.h"

namespace lt260 {

// lt260ctl on Windows: the system's HID interfaces through SetupAPI and the
// HID library, or the simulated mouse (started unplugged when
// LT260_SIM_UNPLUGGED=1, driven through the file LT260_SIM_CONTROL names,
// whose appended lines "plug", "unplug", "press N", "resume" and "quit" are
// carried out). The watchers of `watch` are one thread with a message-only
// window that receives the HID arrival and removal notices, polling the
// simulated mouse's control file between messages; Ctrl-C, Ctrl-Break and
// the console closing end the watch through a console control handler.
//
// `agent` and `udev-rule` have no use here: the LT-260 Agent itself keeps the
// mouse and the settings in step, and Windows needs no device rule.
class Win32CliPlatform final : public CliPlatform {
 public:
  std::unique_ptr<MouseSystem> OpenMouseSystem(DeviceChoice device,
                                               WindowMessages& notices) override;
  Clock& SystemClock() override { return clock_; }
  // %APPDATA%\Quendra\LT-260\GamingMouse, the file the Agent keeps.
  std::filesystem::path DefaultSettingsPath() override;
  std::optional<std::string> VerbUnavailable(Verb verb) override;
  std::shared_ptr<void> StartWatchers(MessageQueue& queue, MouseSystem& mouse) override;

 private:
  SteadyClock clock_;
};

}  // namespace lt260
