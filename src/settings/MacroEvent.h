#pragma once

#include <cstddef>
#include <cstdint>

namespace lt260 {

// One step of a recorded macro, stored byte for byte inside a button record.
// Code 0 ends the list, 0xFF is a delay of Value, 1/2/4/8/16 are mouse buttons,
// anything else is a key number; for buttons and keys bit 0 of Value is 1 for a
// press and 0 for a release.
struct MacroEvent {
  uint8_t Code;
  uint8_t Reserved;
  uint16_t Value;
};

inline constexpr uint8_t kMacroEndCode = 0x00;
inline constexpr uint8_t kMacroDelayCode = 0xFF;

static_assert(sizeof(MacroEvent) == 4);
static_assert(offsetof(MacroEvent, Code) == 0);
static_assert(offsetof(MacroEvent, Value) == 2);

}  // namespace lt260
