#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/ActionRecord.h"
#include "settings/ProfileSetting.h"

namespace lt260 {

inline constexpr uint8_t kButtonReportId = 0x04;
inline constexpr std::size_t kButtonReportLength = 2049;
inline constexpr std::size_t kRecordAreaRecords = 200;
// Offsets in the table count from the byte after the report ID, so the record
// area, at report byte 49, is offset 0x30.
inline constexpr uint16_t kRecordAreaOffset = 0x30;
// The offset of a button that has no records.
inline constexpr uint16_t kNoBlockOffset = 0xFFFF;
// The last button is always sent as the right button, whatever it holds, so
// that the mouse never loses its context-menu button.
inline constexpr uint8_t kLastButtonFunctionCode = 0xA1;

using ButtonReportBytes = std::array<uint8_t, kButtonReportLength>;

// Byte layout of feature report 4.
struct ButtonReportLayout {
  uint8_t ReportId;
  std::array<std::array<uint8_t, 2>, kButtonCount>
      BlockOffset;  // little-endian, from report byte 1
  std::array<uint8_t, 34> Reserved;
  std::array<ActionRecord, kRecordAreaRecords> Records;  // every button's records back to back
};

static_assert(sizeof(ButtonReportLayout) == kButtonReportLength);
static_assert(offsetof(ButtonReportLayout, BlockOffset) == 1);
static_assert(offsetof(ButtonReportLayout, Records) == 49);
static_assert(offsetof(ButtonReportLayout, Records) == 1 + kRecordAreaOffset);

// The records a fixed function code stands for, for button number
// `buttonNumber` (1 to 7): one record, four for the double click 0xA5, none for
// a code the mouse has no function for. Macros (0xA6) are not fixed and give none.
int FixedFunctionRecords(uint8_t functionCode, int buttonNumber,
                         std::array<ActionRecord, 4>& records);

// The button-assignment report of `profile`: the offset table and the records
// of the seven buttons. The record area holds 200 records. Fixed-function
// buttons always get theirs (together they need at most 25); macros take what
// is left in button order, each leaving room for the fixed-function buttons
// after it, and a macro that does not fit is cut after its last whole record
// that does.
ButtonReportBytes BuildButtonReport(const ProfileSetting& profile);

}  // namespace lt260
