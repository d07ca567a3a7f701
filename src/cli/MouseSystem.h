#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/HidBackend.h"
#include "ports/DeviceNotices.h"

namespace lt260 {

// Why an interface could not be opened, as far as a user can act on it.
enum class OpenProblem { None, PermissionDenied, Busy, Other };

// One HID interface as `list` shows it and as the error messages diagnose it.
struct InterfaceSummary {
  std::u16string Path;
  uint16_t VendorId = 0;
  uint16_t ProductId = 0;
  uint16_t UsagePage = 0;
  uint16_t Usage = 0;
  int InputLength = 0;
  int OutputLength = 0;
  int FeatureLength = 0;
  OpenProblem Problem = OpenProblem::None;
  // What the system said when it could not be opened or described.
  std::string Detail;
  // What the user can do about a permission problem; empty for the udev hint.
  std::string Remedy;
};

// The devices lt260ctl works with: the system's HID port, or the simulated mouse.
class MouseSystem {
 public:
  virtual ~MouseSystem() = default;
  virtual HidBackend& Backend() = 0;
  // Where the system's device notices are registered for.
  virtual DeviceNotices& Notices() = 0;
  // The interfaces of accepted devices present now, each tried for opening.
  virtual std::vector<InterfaceSummary> MouseInterfaces() = 0;
};

// Whether a vendor and product are those of an LT-260 (either pair, crossed too,
// as the channel accepts them).
bool IsLT260(uint16_t vendorId, uint16_t productId);

}  // namespace lt260
