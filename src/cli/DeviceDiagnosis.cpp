#include "cli/DeviceDiagnosis.h"

#include <cstdio>

#include "protocol/DeviceIdentity.h"
#include "text/Utf8.h"

namespace lt260 {

ExitStatus DiagnoseDeviceFailure(MouseSystem& mouse, const std::string& operation,
                                 std::ostream& err) {
  const std::vector<InterfaceSummary> interfaces = mouse.MouseInterfaces();
  if (interfaces.empty()) {
    char ids[64];
    std::snprintf(ids, sizeof ids, "vendor %04X or %04X, product %04X or %04X", kVendorId,
                  kSecondVendorId, kProductId, kSecondProductId);
    err << "lt260ctl: no LT-260 mouse found (" << ids << "); is it plugged in?\n";
    return ExitStatus::NoMouse;
  }
  for (const InterfaceSummary& interface : interfaces) {
    if (interface.Problem == OpenProblem::PermissionDenied) {
      err << "lt260ctl: permission denied opening " << ToUtf8(interface.Path) << "; "
          << (interface.Remedy.empty() ? std::string(kUdevHint) : interface.Remedy) << "\n";
      return ExitStatus::PermissionDenied;
    }
  }
  for (const InterfaceSummary& interface : interfaces) {
    if (interface.Problem != OpenProblem::None) {
      err << "lt260ctl: the mouse is busy: " << ToUtf8(interface.Path) << " cannot be opened ("
          << interface.Detail << ")\n";
      return ExitStatus::DeviceBusy;
    }
  }
  err << "lt260ctl: " << operation << " failed: the mouse refused it or went away\n";
  return ExitStatus::DeviceBusy;
}

}  // namespace lt260
