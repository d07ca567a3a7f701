#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/CliArguments.h"
#include "cli/MessageQueue.h"
#include "cli/MouseSystem.h"
#include "ports/Clock.h"

namespace lt260 {

// What lt260ctl needs of the system it runs on; the platform's main supplies
// it, tests supply a simulated one.
class CliPlatform {
 public:
  virtual ~CliPlatform() = default;
  // The devices to work with; device notices are posted to `notices` (to kCliWindow).
  virtual std::unique_ptr<MouseSystem> OpenMouseSystem(DeviceChoice device,
                                                       WindowMessages& notices) = 0;
  virtual Clock& SystemClock() = 0;
  // ~/.config/lt260/GamingMouse on Linux, the Agent's own file on Windows.
  virtual std::filesystem::path DefaultSettingsPath() = 0;
  // Why `verb` has no use on this system, in one line; none where it has.
  virtual std::optional<std::string> VerbUnavailable(Verb /*verb*/) { return std::nullopt; }
  // Starts what posts into `queue` from outside while `agent` or `watch`
  // runs: kCliQuit on an interrupt or termination, kCliResumed after the
  // system resumed, and whatever drives a simulated mouse. Stops when the
  // returned object is destroyed.
  virtual std::shared_ptr<void> StartWatchers(MessageQueue& queue, MouseSystem& mouse) = 0;
};

}  // namespace lt260
