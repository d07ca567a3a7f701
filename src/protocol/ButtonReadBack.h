#pragma once

#include <span>

#include "protocol/ButtonBlock.h"
#include "protocol/ButtonReport.h"
#include "settings/ButtonAssignment.h"

namespace lt260 {

// A bullet macro read back from the mouse: movement records the Configurator
// keeps apart, in the bullet settings file.
inline constexpr uint8_t kBulletFunctionCode = 0x99;
// A button the mouse holds no block for.
inline constexpr uint8_t kNoBlockFunctionCode = 0xAA;

// The assignment of button `buttonIndex` as the mouse holds it in a
// button-assignment report: no block reads as 0xAA; a block whose first
// record carries a mode byte is a macro (a bullet macro when its third record
// is a movement); anything else is a fixed function. A macro gets its button
// number and no stored macro (-1); an ordinary macro's last event loses its
// value, as the Configurator records a macro's end. Fixed functions leave
// every other field zero.
ButtonAssignment ReadBackButtonAssignment(std::span<const uint8_t, kButtonReportLength> report,
                                          BlockExtent extent, int buttonIndex);

}  // namespace lt260
