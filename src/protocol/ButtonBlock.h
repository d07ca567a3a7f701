#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/ActionRecord.h"
#include "protocol/ButtonReport.h"
#include "settings/ButtonAssignment.h"

namespace lt260 {

// Where one button's records lie in a button-assignment report read back from
// the mouse. Offset counts from report byte 1; Length 0 means no block.
struct BlockExtent {
  uint16_t Offset;
  uint16_t Length;
};

// A block is read back into room for the records of the longest macro.
inline constexpr std::size_t kBlockCapacity = kMacroEventCapacity * kActionRecordLength;

// One button's run of records, copied out of a read-back report into a
// zero-filled buffer. Bytes the report does not hold (past its end, or past the
// buffer) read as zero; Length keeps the length the offset table gave.
struct ButtonBlock {
  std::array<uint8_t, kBlockCapacity> Bytes{};
  std::size_t Length = 0;

  // Whole records held in the buffer: length / 10, at most 92.
  std::size_t RecordCount() const { return std::min(Length, kBlockCapacity) / kActionRecordLength; }
  // A macro carries a mode byte in its first record; fixed functions carry 0.
  bool IsMacro() const { return Bytes[7] != 0; }
  // A bullet macro has a movement record in third place.
  bool IsBulletMacro() const { return (Bytes[20] & 0xF0) == kKindMovement; }
};

// The block of each of the seven buttons, from the offset table. Offsets above
// the report length are taken by their low byte; an offset of 0xFF (which is
// where FF FF ends up) means no block. A block runs to the next larger offset of
// a later button with a block, and is one record long when there is none.
std::array<BlockExtent, kButtonCount> SplitButtonBlocks(
    std::span<const uint8_t, kButtonReportLength> report);

// Copies the block at `extent` out of `report`, staying inside both.
ButtonBlock ReadButtonBlock(std::span<const uint8_t, kButtonReportLength> report,
                            BlockExtent extent);

// The function code of a fixed-function block: 0xA5 for 40 bytes, the code
// whose record matches for 10 bytes (0 when none does), 0xAA for any other
// length. Bytes of the first record missing from `block` read as zero.
uint8_t ClassifyButtonBlock(std::span<const uint8_t> block, std::size_t length);

}  // namespace lt260
