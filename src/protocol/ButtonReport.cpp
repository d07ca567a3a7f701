#include "protocol/ButtonReport.h"

#include <bit>
#include <span>

#include "protocol/LittleEndian.h"
#include "protocol/MacroEncoding.h"

namespace lt260 {

namespace {

// A function code whose single record is always the same apart from the button
// number.
struct SingleRecordFunction {
  uint8_t Code;
  uint8_t Kind;
  uint8_t Argument1;
  uint8_t Argument2;
  uint8_t Argument3;
  uint16_t Delay;
};

// A mouse-button function is held for as long as the button is, hence the
// longest delay.
constexpr uint16_t kHoldDelay = 0xFFFF;
// Each step of the double click lasts 65 of the mouse's delay units.
constexpr uint16_t kDoubleClickStepDelay = 0x41;
constexpr uint8_t kDoubleClickCode = 0xA5;

constexpr uint8_t kLeftCtrl = 0x01;
constexpr uint8_t kLeftAlt = 0x04;
constexpr uint8_t kLeftGui = 0x08;

constexpr SingleRecordFunction kSingleRecordFunctions[] = {
    {0xA0, kKindMouseDown, 0x01, 0x00, 0x00, kHoldDelay},
    {0xA1, kKindMouseDown, 0x02, 0x00, 0x00, kHoldDelay},
    {0xA2, kKindMouseDown, 0x04, 0x00, 0x00, kHoldDelay},
    {0xA3, kKindMouseDown, 0x08, 0x00, 0x00, kHoldDelay},
    {0xA4, kKindMouseDown, 0x10, 0x00, 0x00, kHoldDelay},
    {0xB0, kKindKeyboard, kLeftCtrl, 0x06, 0x00, 0},  // Ctrl+C
    {0xB1, kKindKeyboard, kLeftCtrl, 0x19, 0x00, 0},  // Ctrl+V
    {0xB2, kKindKeyboard, kLeftCtrl, 0x1B, 0x00, 0},  // Ctrl+X
    {0xB3, kKindKeyboard, kLeftCtrl, 0x04, 0x00, 0},  // Ctrl+A
    {0xB4, kKindKeyboard, kLeftCtrl, 0x09, 0x00, 0},  // Ctrl+F
    {0xB5, kKindKeyboard, kLeftCtrl, 0x11, 0x00, 0},  // Ctrl+N
    {0xB6, kKindKeyboard, kLeftCtrl, 0x13, 0x00, 0},  // Ctrl+P
    {0xB7, kKindKeyboard, kLeftCtrl, 0x16, 0x00, 0},  // Ctrl+S
    {0xB8, kKindKeyboard, kLeftCtrl, 0x1D, 0x00, 0},  // Ctrl+Z
    {0xB9, kKindBitMask, 0x00, 0x00, 0x02, 0},
    {0xBA, kKindKeyboard, kLeftGui, 0x00, 0x00, 0},  // the GUI key alone
    {0xC0, kKindDeviceFunction, 0x01, 0x00, 0x00, 0},
    {0xC1, kKindDeviceFunction, 0x02, 0x00, 0x00, 0},
    {0xC2, kKindDeviceFunction, 0x00, 0x00, 0x00, 0},
    {0xC3, kKindKeyboard, kLeftAlt, 0x2B, 0x00, 0},  // Alt+Tab
    {0xC4, kKindKeyboard, kLeftAlt, 0x3D, 0x00, 0},  // Alt+F4
    {0xC5, kKindKeyboard, kLeftGui, 0x08, 0x00, 0},  // GUI+E
    {0xC6, kKindKeyboard, kLeftGui, 0x07, 0x00, 0},  // GUI+D
    {0xC7, kKindKeyboard, kLeftGui, 0x0F, 0x00, 0},  // GUI+L
    {0xD0, kKindBitMask, 0x08, 0x00, 0x00, 0},
    {0xD1, kKindBitMask, 0x04, 0x00, 0x00, 0},
    {0xD2, kKindBitMask, 0x01, 0x00, 0x00, 0},
    {0xD3, kKindBitMask, 0x02, 0x00, 0x00, 0},
    {0xD4, kKindBitMask, 0x40, 0x00, 0x00, 0},
    {0xD5, kKindBitMask, 0x80, 0x00, 0x00, 0},
    {0xD6, kKindBitMask, 0x10, 0x00, 0x00, 0},
};

ActionRecord MakeRecord(uint8_t kind, int buttonNumber, uint8_t argument1, uint8_t argument2,
                        uint8_t argument3, uint16_t delay) {
  ActionRecord record{};
  record.KindAndButton = static_cast<uint8_t>(kind | (buttonNumber & 0x07));
  record.Argument1 = argument1;
  record.Argument2 = argument2;
  record.Argument3 = argument3;
  record.SetDelay(delay);
  return record;
}

uint8_t EffectiveFunctionCode(const ProfileSetting& profile, int buttonIndex) {
  if (buttonIndex == kButtonCount - 1) return kLastButtonFunctionCode;
  return profile.ButtonAssigned[buttonIndex].FunctionCode;
}

}  // namespace

int FixedFunctionRecords(uint8_t functionCode, int buttonNumber,
                         std::array<ActionRecord, 4>& records) {
  if (functionCode == kDoubleClickCode) {
    for (int step = 0; step < 4; ++step) {
      const uint8_t kind = step % 2 == 0 ? kKindMouseDown : kKindMouseUp;
      records[step] = MakeRecord(kind, buttonNumber, 0x01, 0, 0, kDoubleClickStepDelay);
    }
    return 4;
  }
  for (const SingleRecordFunction& function : kSingleRecordFunctions) {
    if (function.Code == functionCode) {
      records[0] = MakeRecord(function.Kind, buttonNumber, function.Argument1, function.Argument2,
                              function.Argument3, function.Delay);
      return 1;
    }
  }
  return 0;
}

ButtonReportBytes BuildButtonReport(const ProfileSetting& profile) {
  ButtonReportLayout report{};
  report.ReportId = kButtonReportId;

  // Records the fixed-function buttons from each index on will need, so that a
  // long macro never takes the room of a button behind it.
  int fixedFrom[kButtonCount + 1] = {};
  std::array<ActionRecord, 4> scratch{};
  for (int b = kButtonCount - 1; b >= 0; --b) {
    const uint8_t code = EffectiveFunctionCode(profile, b);
    const int fixed = code == kMacroFunctionCode ? 0 : FixedFunctionRecords(code, b + 1, scratch);
    fixedFrom[b] = fixedFrom[b + 1] + fixed;
  }

  int used = 0;
  for (int b = 0; b < kButtonCount; ++b) {
    const uint8_t code = EffectiveFunctionCode(profile, b);
    const int buttonNumber = b + 1;
    const auto offset = static_cast<uint16_t>(kRecordAreaOffset + used * kActionRecordLength);
    const std::span<uint8_t, 2> offsetEntry(report.BlockOffset[b]);

    if (code == kMacroFunctionCode) {
      std::array<uint8_t, kMacroAreaLength> macro{};
      const int encoded = EncodeMacro(profile.ButtonAssigned[b], macro);
      const int room = static_cast<int>(kRecordAreaRecords) - used - fixedFrom[b + 1];
      const int kept = encoded < room ? encoded : room;
      for (int i = 0; i < kept; ++i) {
        ActionRecord record =
            LoadActionRecord(std::span<const uint8_t>(macro)
                                 .subspan(static_cast<std::size_t>(i) * kActionRecordLength)
                                 .first<kActionRecordLength>());
        record.KindAndButton = static_cast<uint8_t>(record.KindAndButton | buttonNumber);
        report.Records[used + i] = record;
      }
      // Even a macro without records gets the offset where its records would
      // start; the next button's records begin at the same place.
      StoreLe16(offsetEntry, offset);
      used += kept;
      continue;
    }

    const int count = FixedFunctionRecords(code, buttonNumber, scratch);
    if (count == 0) {
      StoreLe16(offsetEntry, kNoBlockOffset);
      continue;
    }
    for (int i = 0; i < count; ++i) report.Records[used + i] = scratch[i];
    StoreLe16(offsetEntry, offset);
    used += count;
  }
  return std::bit_cast<ButtonReportBytes>(report);
}

}  // namespace lt260
