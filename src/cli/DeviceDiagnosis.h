#pragma once

#include <ostream>
#include <string>

#include "cli/ExitStatus.h"
#include "cli/MouseSystem.h"

namespace lt260 {

// The udev hint printed with every permission error.
inline constexpr char kUdevHint[] =
    "install the udev rule: lt260ctl udev-rule | sudo tee /etc/udev/rules.d/70-lt260.rules && "
    "sudo udevadm control --reload && sudo udevadm trigger";

// After a device operation failed: says in one line why, as far as the
// interfaces present now tell, and returns the matching status.
ExitStatus DiagnoseDeviceFailure(MouseSystem& mouse, const std::string& operation,
                                 std::ostream& err);

}  // namespace lt260
