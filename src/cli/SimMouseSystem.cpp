#include "cli/SimMouseSystem.h"

#include "hid/HidChannel.h"

namespace lt260 {

bool IsLT260(uint16_t vendorId, uint16_t productId) {
  const bool vendor = vendorId == HidChannel::kVendorId || vendorId == HidChannel::kSecondVendorId;
  const bool product =
      productId == HidChannel::kProductId || productId == HidChannel::kSecondProductId;
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
      summary.VendorId = HidChannel::kVendorId;
      summary.ProductId = HidChannel::kProductId;
      summary.Problem = OpenProblem::Busy;
      summary.Detail = "held by another program";
    }
    if (IsLT260(summary.VendorId, summary.ProductId)) interfaces.push_back(summary);
  }
  return interfaces;
}

}  // namespace lt260
