#pragma once

#include "hid/HidBackend.h"

namespace lt260 {

// Runs the Agent with the Windows implementation of every port and `mouse` as
// its HID access, until its window is destroyed. Returns the exit code.
int RunAgent(HidBackend& mouse);

}  // namespace lt260
