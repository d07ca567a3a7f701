#pragma once

#include <span>

#include "hid/HidChannel.h"

namespace lt260 {

// How much of the mouse the system shows. Windows makes the mouse's
// interfaces appear and go one by one, each with its own notice; only a mouse
// with every interface the Agent uses is worth reading, and only a mouse with
// none left is gone.
enum class MousePresence { Absent, Partial, Complete };

// Complete when the present interfaces include the input interface (4-byte
// reports) and the settings, button and command feature interfaces; Absent
// when there is none at all.
MousePresence PresenceOf(std::span<const HidChannel::InterfaceShape> interfaces);

}  // namespace lt260
