#pragma once

#include <memory>
#include <string>

#include "cli/MessageQueue.h"
#include "cli/MouseSystem.h"
#include "sim/SimulatedMouse.h"

namespace lt260 {

// The simulated mouse as lt260ctl's device, owned or lent by a test.
class SimMouseSystem final : public MouseSystem {
 public:
  explicit SimMouseSystem(SimulatedMouse& mouse) : mouse_(mouse) {}
  explicit SimMouseSystem(std::unique_ptr<SimulatedMouse> owned)
      : owned_(std::move(owned)), mouse_(*owned_) {}

  HidBackend& Backend() override { return mouse_; }
  DeviceNotices& Notices() override { return mouse_; }
  std::vector<InterfaceSummary> MouseInterfaces() override;
  SimulatedMouse& Mouse() { return mouse_; }

 private:
  std::unique_ptr<SimulatedMouse> owned_;
  SimulatedMouse& mouse_;
};

// The simulated mouse lt260ctl's `--device sim` works with: plugged in,
// unless LT260_SIM_UNPLUGGED=1 starts it unplugged.
std::unique_ptr<MouseSystem> SimMouseSystemFromEnvironment();

// Carries out one line of the simulated mouse's control channel: "plug",
// "unplug", "press N", "resume" or "quit"; anything else is ignored.
void RunSimControlLine(const std::string& line, SimulatedMouse& mouse, MessageQueue& queue);

}  // namespace lt260
