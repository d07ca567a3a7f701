#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/MacroDecoding.h"
#include "protocol/ProtocolTestSupport.h"

namespace lt260 {
namespace {

using test::HexBytes;

struct Event {
  uint8_t code;
  uint16_t value;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& event) {
  return out << "{0x" << std::hex << int{event.code} << ", 0x" << event.value << std::dec << "}";
}

std::vector<Event> EventsOf(const ButtonAssignment& assignment, int count) {
  std::vector<Event> events;
  for (int i = 0; i < count; ++i) {
    events.push_back({assignment.MacroEvents[i].Code, assignment.MacroEvents[i].Value});
  }
  return events;
}

// Slots the decoder was not asked to fill keep this mark.
ButtonAssignment MarkedAssignment() {
  ButtonAssignment assignment{};
  for (MacroEvent& event : assignment.MacroEvents) event = MacroEvent{0xEE, 0xEE, 0xEEEE};
  assignment.MacroMode = 0xEE;
  assignment.MacroRepeat = 0xEE;
  return assignment;
}

struct DecodeCase {
  std::string name;
  std::string records;
  std::vector<Event> expected;
};

void ExpectDecoded(const DecodeCase& c, bool bullet) {
  ButtonAssignment assignment = MarkedAssignment();
  const std::vector<uint8_t> records = HexBytes(c.records);
  const std::size_t recordCount = records.size() / 10;
  const int count = bullet ? DecodeBulletBlock(assignment, records, recordCount)
                           : DecodeMacroBlock(assignment, records, recordCount);
  EXPECT_EQ(EventsOf(assignment, count), c.expected) << c.name;
  for (int i = count; i < kMacroEventCapacity; ++i) {
    ASSERT_EQ(assignment.MacroEvents[i].Code, 0xEE) << c.name << ": slot " << i << " written";
  }
}

TEST(DecodeMacroBlock, TurnsRecordsBackIntoEvents) {
  const DecodeCase cases[] = {
      {"key pressed, released, each with a delay",
       "63 00 04 00 00 00 00 10 32 00 | 63 00 00 00 00 00 00 10 32 00",
       {{0x14, 1}, {0xFF, 50}, {0x14, 0}, {0xFF, 50}}},
      {"left button pressed and released",
       "23 01 00 00 00 00 00 10 00 00 | A3 01 00 00 00 00 00 10 00 00",
       {{0x01, 1}, {0x01, 0}}},
      {"release right after the press, then a delay",
       "61 00 04 00 00 00 00 10 00 00 | 61 00 00 00 00 00 00 10 28 00",
       {{0x14, 1}, {0x14, 0}, {0xFF, 40}}},
      {"release after a delay names the key before the delay",
       "61 00 E0 00 00 00 00 10 05 01 | 61 00 00 00 00 00 00 10 00 00",
       {{0x88, 1}, {0xFF, 0x105}, {0x88, 0}}},
      {"shared usage gives the last key id", "61 00 E2 00 00 00 00 10 00 00", {{0x8F, 1}}},
      {"button-up record with a usage is read as a key press",
       "A1 00 04 00 00 00 00 10 00 00",
       {{0x14, 1}}},
      {"release whose only earlier event is a delay is not written",
       "61 00 00 00 00 00 00 10 14 00 | 61 00 00 00 00 00 00 10 00 00 |"
       "61 00 00 00 00 00 00 10 1E 00 | 61 00 00 00 00 00 00 10 00 00 |"
       "61 00 04 00 00 00 00 10 00 00",
       {{0xFF, 20}, {0xFF, 30}, {0x14, 1}}},
      {"key the table cannot name is left out with its release",
       "61 00 04 00 00 00 00 10 00 00 | 61 00 83 00 00 00 00 10 0A 00 |"
       "61 00 00 00 00 00 00 10 0B 00 | 61 00 05 00 00 00 00 10 00 00 |"
       "61 00 00 00 00 00 00 10 00 00",
       {{0x14, 1}, {0xFF, 10}, {0xFF, 11}, {0x2F, 1}, {0x2F, 0}}},
      {"first record without mode byte: not a macro", "61 00 04 00 00 00 00 00 32 00", {}},
      {"no records", "", {}},
  };
  for (const DecodeCase& c : cases) ExpectDecoded(c, false);
}

TEST(DecodeMacroBlock, ModeAndRepeatFromTheFirstModeByte) {
  struct Case {
    std::string records;
    uint8_t mode;
    uint8_t repeat;
  };
  const Case cases[] = {
      {"61 00 04 00 00 00 00 10 00 00", 0, 0},
      {"61 00 04 00 00 00 00 23 00 00 | 61 00 00 00 00 00 00 30 00 00", 1, 3},
      {"61 00 04 00 00 00 00 30 00 00", 2, 0},
      {"61 00 04 00 00 00 00 0F 00 00", 0xFF, 15},
  };
  for (const Case& c : cases) {
    ButtonAssignment assignment = MarkedAssignment();
    const std::vector<uint8_t> records = HexBytes(c.records);
    DecodeMacroBlock(assignment, records, records.size() / 10);
    EXPECT_EQ(assignment.MacroMode, c.mode) << c.records;
    EXPECT_EQ(assignment.MacroRepeat, c.repeat) << c.records;
  }
  ButtonAssignment untouched = MarkedAssignment();
  const std::vector<uint8_t> fixed = HexBytes("21 01 00 00 00 00 00 00 FF FF");
  EXPECT_EQ(DecodeMacroBlock(untouched, fixed, 1), 0);
  EXPECT_EQ(untouched.MacroMode, 0xEE);
}

TEST(DecodeBulletBlock, MovementsAndTheBulletProfile) {
  const DecodeCase cases[] = {
      {"left button events carry the bullet profile plus one",
       "21 01 00 00 00 00 00 30 1E 00 | A1 01 00 00 00 00 00 30 1E 00 |"
       "C1 02 05 03 00 00 00 30 1E 00",
       {{4, 1}, {0xFF, 30}, {4, 0}, {0xFF, 30}, {12, 0x3405}, {0xFF, 30}}},
      {"the last movement names the profile",
       "21 01 00 00 00 00 00 30 00 00 | C1 00 00 07 00 00 00 30 00 00 |"
       "C1 CE FF 02 00 00 00 30 00 00 | A1 01 00 00 00 00 00 30 00 00",
       {{3, 1}, {12, 0x3200}, {12, 0x00FF}, {3, 0}}},
      {"profile 0 keeps the left button",
       "21 01 00 00 00 00 00 30 00 00 | C1 02 05 00 00 00 00 30 00 00",
       {{1, 1}, {12, 0x3405}}},
      {"profile 0xFF would make the end code and is not applied",
       "21 01 00 00 00 00 00 30 00 00 | C1 02 05 FF 00 00 00 30 00 00",
       {{1, 1}, {12, 0x3405}}},
      {"button-up names its own button",
       "22 02 00 00 00 00 00 30 00 00 | A1 04 00 00 00 00 00 30 00 00 |"
       "A1 00 00 00 00 00 00 30 00 00",
       {{2, 1}, {4, 0}, {4, 0}}},
      {"key records as in ordinary macros",
       "61 00 04 00 00 00 00 30 00 00 | 61 00 00 00 00 00 00 30 00 00",
       {{0x14, 1}, {0x14, 0}}},
      {"release whose only earlier event is a delay is not written",
       "A1 00 00 00 00 00 00 30 0A 00 | A1 00 00 00 00 00 00 30 00 00 |"
       "C1 02 05 03 00 00 00 30 00 00",
       {{0xFF, 10}, {12, 0x3405}}},
  };
  for (const DecodeCase& c : cases) ExpectDecoded(c, true);
}

// A block of more records than events fit: decoding stops at the 92nd event
// and reads no record past the count it was given or past the bytes it holds.
TEST(MacroDecoding, StopsAtTheLastEventSlotAndTheLastRecord) {
  struct Case {
    std::string name;
    bool bullet;
    std::size_t recordsGiven;
    std::size_t recordCount;
    int expectedEvents;
  };
  // Every record presses a key and is followed by a delay: two events each.
  const Case cases[] = {
      {"46 records fill every slot", false, 46, 46, 92},
      {"92 records stop after 92 events", false, 92, 92, 92},
      {"200 records stop after 92 events", false, 200, 200, 92},
      {"count larger than the bytes", false, 10, 92, 20},
      {"count smaller than the bytes", false, 92, 3, 6},
      {"bullet block of 92 records", true, 92, 92, 92},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> records;
    for (std::size_t r = 0; r < c.recordsGiven; ++r) {
      const std::vector<uint8_t> record = HexBytes("61 00 04 00 00 00 00 10 07 00");
      records.insert(records.end(), record.begin(), record.end());
    }
    ButtonAssignment assignment = MarkedAssignment();
    const int count = c.bullet ? DecodeBulletBlock(assignment, records, c.recordCount)
                               : DecodeMacroBlock(assignment, records, c.recordCount);
    EXPECT_EQ(count, c.expectedEvents) << c.name;
    EXPECT_EQ(EventsOf(assignment, 2), (std::vector<Event>{{0x14, 1}, {0xFF, 7}})) << c.name;
  }
}

}  // namespace
}  // namespace lt260
