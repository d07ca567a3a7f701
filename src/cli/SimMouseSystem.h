#pragma once

#include <memory>

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
  std::vector<InterfaceSummary> MouseInterfaces() override;
  SimulatedMouse& Mouse() { return mouse_; }

 private:
  std::unique_ptr<SimulatedMouse> owned_;
  SimulatedMouse& mouse_;
};

}  // namespace lt260
