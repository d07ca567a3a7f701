#include "protocol/MacroEncoding.h"

#include "protocol/KeyUsageTable.h"

namespace lt260 {

namespace {

constexpr uint8_t kRepeatMode = 1;
constexpr uint8_t kMinRepeat = 1;
constexpr uint8_t kMaxRepeat = 15;

std::span<uint8_t, kActionRecordLength> RecordSlot(std::span<uint8_t, kMacroAreaLength> records,
                                                   int index) {
  return records.subspan(static_cast<std::size_t>(index) * kActionRecordLength)
      .first<kActionRecordLength>();
}

}  // namespace

uint8_t MacroModeByte(uint8_t macroMode, uint8_t macroRepeat) {
  if (macroMode == kRepeatMode) {
    uint8_t repeat = macroRepeat;
    if (repeat < kMinRepeat) repeat = kMinRepeat;
    if (repeat > kMaxRepeat) repeat = kMaxRepeat;
    return static_cast<uint8_t>(0x20 + repeat);
  }
  return static_cast<uint8_t>(((macroMode + 1u) * 16u) & 0xFF);
}

int EncodeMacro(const ButtonAssignment& assignment, std::span<uint8_t, kMacroAreaLength> records) {
  const uint8_t mode = MacroModeByte(assignment.MacroMode, assignment.MacroRepeat);
  int count = 0;
  ActionRecord last{};
  for (int i = 0; i < kMacroEventCapacity; ++i) {
    const MacroEvent& event = assignment.MacroEvents[i];
    if (event.Code == kMacroEndCode) break;

    // A delay belongs to the step before it. Only the first event can lack one;
    // a leading delay falls through and is sent as a key without a usage.
    if (event.Code == kMacroDelayCode && i > 0) {
      last.SetDelay(event.Value);
      StoreActionRecord(RecordSlot(records, count - 1), last);
      continue;
    }

    ActionRecord record{};
    const bool pressed = (event.Value & 1) != 0;
    if (IsMouseButtonCode(event.Code)) {
      // A button release names no button of its own: it repeats byte 1 of the
      // step before it, as the mouse expects.
      record.KindAndButton = pressed ? kKindMouseDown : kKindMouseUp;
      record.Argument1 = pressed ? event.Code : (count > 0 ? last.Argument1 : uint8_t{0});
    } else {
      // Only the low byte of a usage fits the record, consumer-page keys included.
      record.KindAndButton = kKindKeyboard;
      if (pressed) record.Argument2 = static_cast<uint8_t>(KeyIdToUsage(event.Code) & 0xFF);
    }
    record.Mode = mode;
    StoreActionRecord(RecordSlot(records, count), record);
    last = record;
    ++count;
  }
  return count;
}

}  // namespace lt260
