#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/ButtonAssignment.h"

namespace lt260 {

// The code of a movement event of a bullet macro.
inline constexpr uint8_t kMovementEventCode = 12;

// Decodes the records of an ordinary macro (function code 0xA6) read back from
// the mouse into `assignment`: its mode and repeat from the first record's mode
// byte, and one event per press or release plus one per non-zero delay. Reads
// at most `recordCount` records and no byte outside `records`; stops once all
// 92 event slots are filled. Writes MacroMode, MacroRepeat and the events it
// returns the count of, nothing else. Returns 0 without writing when the first
// record carries no mode byte. No event ever holds the end code 0: a key the
// table cannot name is left out together with its release, and so is a
// release before anything was pressed.
int DecodeMacroBlock(ButtonAssignment& assignment, std::span<const uint8_t> records,
                     std::size_t recordCount);

// The same for a bullet macro (function code 0x99), which also holds movement
// records and names its left-button events after its bullet profile.
int DecodeBulletBlock(ButtonAssignment& assignment, std::span<const uint8_t> records,
                      std::size_t recordCount);

}  // namespace lt260
