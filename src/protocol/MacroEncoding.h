#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/ActionRecord.h"
#include "settings/ButtonAssignment.h"

namespace lt260 {

// Room for the records of the longest macro: one record per event at most.
inline constexpr std::size_t kMacroRecordCapacity = kMacroEventCapacity;
inline constexpr std::size_t kMacroAreaLength = kMacroRecordCapacity * kActionRecordLength;

// True for the macro codes that name a mouse button (left, right, middle, 4, 5)
// rather than a key id.
constexpr bool IsMouseButtonCode(uint8_t code) {
  return code == 0x01 || code == 0x02 || code == 0x04 || code == 0x08 || code == 0x10;
}

// The mode byte every record of a macro carries: (mode + 1) * 16 in 8 bits, or
// 0x20 plus the repeat count (held to 1..15) when the mode is 1.
uint8_t MacroModeByte(uint8_t macroMode, uint8_t macroRepeat);

// Writes the records of the macro in `assignment` into `records`, one 10-byte
// record per key or button event, each delay stored in the record before it.
// Byte 0 carries only the kind; the caller adds the button number. Returns the
// number of records written (0 to 92).
int EncodeMacro(const ButtonAssignment& assignment, std::span<uint8_t, kMacroAreaLength> records);

}  // namespace lt260
