#pragma once

#include "hid/HidBackend.h"
#include "ports/DeviceNotices.h"

namespace lt260 {

// Runs the Agent with the Windows implementation of every port, `mouse` as
// its HID access and `notices` for the device notices of its interfaces,
// until its window is destroyed. Returns the exit code.
int RunAgent(HidBackend& mouse, DeviceNotices& notices);

}  // namespace lt260
