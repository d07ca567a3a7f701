#include "cli/SimMouseSystem.h"

#include <cstdlib>

#include "protocol/DeviceIdentity.h"

namespace lt260 {

bool IsLT260(uint16_t vendorId, uint16_t productId) {
  const bool vendor = vendorId == kVendorId || vendorId == kSecondVendorId;
  const bool product = productId == kProductId || productId == kSecondProductId;
  return vendor && product;
}

std::vector<InterfaceSummary> SimMouseSystem::MouseInterfaces() {
  std::vector<InterfaceSummary> interfaces;
  for (const std::u16string& path : mouse_.EnumerateInterfaces()) {
    InterfaceSummary summary;
    summary.Path = path;
    summary.UsagePage = 0xFF00;
    if (auto device = mouse_.Open(path)) {
      summary.VendorId = device->VendorId();
      summary.ProductId = device->ProductId();
      summary.InputLength = device->InputReportLength();
      summary.FeatureLength = device->FeatureReportLength();
    } else {
      // The simulated mouse refuses opens only as for a device held exclusively.
      summary.VendorId = kVendorId;
      summary.ProductId = kProductId;
      summary.Problem = OpenProblem::Busy;
      summary.Detail = "held by another program";
    }
    if (IsLT260(summary.VendorId, summary.ProductId)) interfaces.push_back(summary);
  }
  return interfaces;
}

std::unique_ptr<MouseSystem> SimMouseSystemFromEnvironment() {
  SimulatedMouseConfig config;
  const char* unplugged = std::getenv("LT260_SIM_UNPLUGGED");
  config.PluggedIn = !(unplugged && std::string(unplugged) == "1");
  return std::make_unique<SimMouseSystem>(std::make_unique<SimulatedMouse>(config));
}

void RunSimControlLine(const std::string& line, SimulatedMouse& mouse, MessageQueue& queue) {
  if (line == "plug") {
    mouse.Plug();
    queue.Post(kCliWindow, kCliDeviceChanged, 0, 0);
  } else if (line == "unplug") {
    mouse.Unplug();
    queue.Post(kCliWindow, kCliDeviceChanged, 0, 0);
  } else if (line.rfind("press ", 0) == 0) {
    mouse.PressDpiButton(static_cast<uint8_t>(std::atoi(line.c_str() + 6)));
  } else if (line == "resume") {
    queue.Post(kCliWindow, kCliResumed, 0, 0);
  } else if (line == "quit") {
    queue.Post(kCliWindow, kCliQuit, 0, 0);
  }
}

}  // namespace lt260
