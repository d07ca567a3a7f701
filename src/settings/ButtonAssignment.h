#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "settings/MacroEvent.h"

namespace lt260 {

inline constexpr int kButtonCount = 7;
inline constexpr int kMacroEventCapacity = 92;
inline constexpr uint8_t kMacroFunctionCode = 0xA6;
inline constexpr int32_t kNoMacroIndex = -1;

// The function and macro of one button. The settings file stores these 380 bytes
// as they lie in memory and the report encoders read them byte by byte, so the
// layout is part of the file format and must not move.
struct ButtonAssignment {
  uint8_t ButtonNo;
  uint8_t FunctionCode;
  uint8_t MacroEventCount;
  uint8_t Reserved1;
  std::array<MacroEvent, kMacroEventCapacity> MacroEvents;
  uint8_t MacroMode;
  uint8_t MacroRepeat;
  std::array<uint8_t, 2> Reserved2;
  int32_t MacroIndex;
};

inline constexpr std::size_t kButtonAssignmentSize = 380;

static_assert(std::endian::native == std::endian::little,
              "button records are stored as little-endian bytes");
static_assert(sizeof(ButtonAssignment) == kButtonAssignmentSize);
static_assert(offsetof(ButtonAssignment, ButtonNo) == 0);
static_assert(offsetof(ButtonAssignment, FunctionCode) == 1);
static_assert(offsetof(ButtonAssignment, MacroEventCount) == 2);
static_assert(offsetof(ButtonAssignment, MacroEvents) == 4);
static_assert(offsetof(ButtonAssignment, MacroMode) == 372);
static_assert(offsetof(ButtonAssignment, MacroRepeat) == 373);
static_assert(offsetof(ButtonAssignment, MacroIndex) == 376);

// The code a button gets back when its record is reset; index 0 is button 1.
// Button 7 defaults to 0x00, which validation itself does not accept.
inline constexpr std::array<uint8_t, kButtonCount> kDefaultFunctionCodes = {0xA0, 0xA1, 0xA2, 0xC2,
                                                                            0xA4, 0xA3, 0x00};

constexpr bool IsAcceptedFunctionCode(uint8_t code) {
  return (code >= 0xA0 && code <= 0xAA) || (code >= 0xB0 && code <= 0xBA) ||
         (code >= 0xC0 && code <= 0xC7) || (code >= 0xD0 && code <= 0xD6);
}

// Puts the reset content into the record of button `buttonIndex` (0 to 6). The
// reserved bytes keep what they held.
void ResetButtonAssignment(ButtonAssignment& record, int buttonIndex);

// A fully reset record of button `buttonIndex`, reserved bytes zero.
ButtonAssignment ResetButtonAssignmentFor(int buttonIndex);

}  // namespace lt260
