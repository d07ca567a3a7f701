#include "protocol/MacroDecoding.h"

#include <algorithm>

#include "protocol/ActionRecord.h"
#include "protocol/KeyUsageTable.h"

namespace lt260 {

namespace {

enum class MacroKind { Ordinary, Bullet };

constexpr uint8_t kLeftButtonCode = 0x01;
// Movement bytes travel offset by -50; the event holds them as recorded.
constexpr uint8_t kMovementBias = 50;

// Collects events into the 92 slots of a record and refuses any beyond them.
class EventWriter {
 public:
  explicit EventWriter(ButtonAssignment& assignment) : assignment_(assignment) {}

  bool Full() const { return count_ >= kMacroEventCapacity; }
  int Count() const { return count_; }

  // A key the table cannot name comes back as code 0, the end code. Writing it
  // would end the list early, so the press is dropped, and so is the release
  // that names it.
  void Add(uint8_t code, uint16_t value) {
    if (code != kMacroDelayCode) lastKeyCode_ = code;
    if (code == kMacroEndCode || Full()) return;
    MacroEvent& event = assignment_.MacroEvents[count_++];
    event.Code = code;
    event.Value = value;
  }

  // A record without a key or button of its own releases whatever the last
  // press or release named. With nothing named yet (at most a delay before it)
  // there is nothing to release, and no event is written.
  void AddReleaseOfLast() {
    if (lastKeyCode_ != kMacroEndCode) Add(lastKeyCode_, 0);
  }

 private:
  ButtonAssignment& assignment_;
  int count_ = 0;
  uint8_t lastKeyCode_ = kMacroEndCode;
};

uint8_t KeyIdOfUsage(uint8_t usage) { return static_cast<uint8_t>(UsageToKeyId(usage) & 0xFF); }

int DecodeBlock(ButtonAssignment& assignment, std::span<const uint8_t> records,
                std::size_t recordCount, MacroKind kind) {
  if (records.size() < kActionRecordLength) return 0;
  const std::size_t available = std::min(recordCount, records.size() / kActionRecordLength);

  const uint8_t mode = records[7];
  if (mode == 0) return 0;
  assignment.MacroMode = static_cast<uint8_t>((mode >> 4) - 1);
  assignment.MacroRepeat = static_cast<uint8_t>(mode & 0x0F);

  EventWriter events(assignment);
  uint8_t bulletProfile = 0;
  for (std::size_t r = 0; r < available && !events.Full(); ++r) {
    const ActionRecord record =
        LoadActionRecord(records.subspan(r * kActionRecordLength).first<kActionRecordLength>());
    const uint8_t recordKind = record.Kind();

    if (kind == MacroKind::Bullet && recordKind == kKindMovement) {
      const auto high = static_cast<uint8_t>(record.Argument1 + kMovementBias);
      events.Add(kMovementEventCode, static_cast<uint16_t>(high << 8 | record.Argument2));
      bulletProfile = record.Argument3;
    } else if (recordKind == kKindMouseDown ||
               (kind == MacroKind::Bullet && recordKind == kKindMouseUp)) {
      // Button records name their button in byte 1. Only bullet macros trust a
      // button-up record's own byte 1; ordinary ones release the last press.
      if (record.Argument1 != 0) {
        events.Add(record.Argument1, recordKind == kKindMouseDown ? 1 : 0);
      } else {
        events.AddReleaseOfLast();
      }
    } else if (record.Argument2 != 0) {
      events.Add(KeyIdOfUsage(record.Argument2), 1);
    } else {
      events.AddReleaseOfLast();
    }

    const uint16_t delay = record.DelayValue();
    if (delay > 0) events.Add(kMacroDelayCode, delay);
  }

  // A bullet macro's left-button events carry its bullet profile plus one.
  // Profiles 0xFE and 0xFF would turn them into the delay or the end code, so
  // those leave the events as they are.
  const int count = events.Count();
  if (kind == MacroKind::Bullet && bulletProfile != 0 && bulletProfile < 0xFE) {
    for (int i = 0; i < count; ++i) {
      MacroEvent& event = assignment.MacroEvents[i];
      if (event.Code == kLeftButtonCode) event.Code = static_cast<uint8_t>(bulletProfile + 1);
    }
  }
  return count;
}

}  // namespace

int DecodeMacroBlock(ButtonAssignment& assignment, std::span<const uint8_t> records,
                     std::size_t recordCount) {
  return DecodeBlock(assignment, records, recordCount, MacroKind::Ordinary);
}

int DecodeBulletBlock(ButtonAssignment& assignment, std::span<const uint8_t> records,
                      std::size_t recordCount) {
  return DecodeBlock(assignment, records, recordCount, MacroKind::Bullet);
}

}  // namespace lt260
