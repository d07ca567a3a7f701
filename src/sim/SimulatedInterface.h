#pragma once

#include <cstdint>
#include <string>

#include "protocol/DeviceIdentity.h"

namespace lt260 {

// One HID interface (top-level collection) the simulated mouse exposes.
struct SimulatedInterface {
  std::u16string Path;
  uint16_t VendorId = kVendorId;
  uint16_t ProductId = kProductId;
  // Report lengths, report-ID byte included; 0 for none.
  int InputReportLength = 0;
  int FeatureReportLength = 0;
  // When set, every Open of this path fails, as for a device held exclusively.
  bool OpenFails = false;
  // When set, the path opens without read access, as Windows opens the
  // collections it keeps for itself: feature reports work, reads fail.
  bool ReadDenied = false;
};

}  // namespace lt260
