#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "protocol/MacroEncoding.h"
#include "protocol/ProtocolTestSupport.h"

namespace lt260 {
namespace {

using test::Delay;
using test::HexBytes;
using test::MacroAssignment;
using test::Press;
using test::Release;

TEST(MacroModeByte, EncodesModeAndLimitedRepeat) {
  struct Case {
    uint8_t mode;
    uint8_t repeat;
    uint8_t expected;
  };
  const Case cases[] = {
      {0, 0, 0x10},  {0, 9, 0x10},  {1, 3, 0x23},   {1, 0, 0x21}, {1, 1, 0x21},
      {1, 15, 0x2F}, {1, 16, 0x2F}, {1, 200, 0x2F}, {2, 7, 0x30}, {14, 0, 0xF0},
      {15, 0, 0x00}, {16, 0, 0x10}, {255, 0, 0x00},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MacroModeByte(c.mode, c.repeat), c.expected)
        << "mode " << int{c.mode} << " repeat " << int{c.repeat};
  }
}

struct EncodeCase {
  std::string name;
  ButtonAssignment macro;
  std::string expected;  // the records written, in hex
};

TEST(EncodeMacro, WritesOneRecordPerStepWithTheDelayAfterIt) {
  const EncodeCase cases[] = {
      {"key pressed and released with delays",
       MacroAssignment({Press(0x14), Delay(50), Release(0x14), Delay(50)}),
       "60 00 04 00 00 00 00 10 32 00 | 60 00 00 00 00 00 00 10 32 00"},
      {"left button pressed and released", MacroAssignment({Press(0x01), Release(0x01)}),
       "20 01 00 00 00 00 00 10 00 00 | A0 01 00 00 00 00 00 10 00 00"},
      {"button release after a key copies the key record's byte 1",
       MacroAssignment({Press(0x14), Release(0x02)}),
       "60 00 04 00 00 00 00 10 00 00 | A0 00 00 00 00 00 00 10 00 00"},
      {"button release first has byte 1 zero", MacroAssignment({Release(0x04)}),
       "A0 00 00 00 00 00 00 10 00 00"},
      {"second of two delays wins", MacroAssignment({Press(0x14), Delay(10), Delay(0x1234)}),
       "60 00 04 00 00 00 00 10 34 12"},
      {"consumer usage keeps its low byte", MacroAssignment({Press(0x90)}),
       "60 00 83 00 00 00 00 10 00 00"},
      {"code 0x10 is mouse button 5, not a key", MacroAssignment({Press(0x10), Release(0x10)}),
       "20 10 00 00 00 00 00 10 00 00 | A0 10 00 00 00 00 00 10 00 00"},
      {"leading delay is a key without usage", MacroAssignment({Delay(51), Press(0x14)}),
       "60 00 00 00 00 00 00 10 00 00 | 60 00 04 00 00 00 00 10 00 00"},
      {"key without usage sends an empty keyboard record", MacroAssignment({Press(0x17)}),
       "60 00 00 00 00 00 00 10 00 00"},
      {"pressed is bit 0 of the value only",
       MacroAssignment({MacroEvent{0x14, 0, 0x0003}, MacroEvent{0x01, 0, 0x0002}}),
       "60 00 04 00 00 00 00 10 00 00 | A0 00 00 00 00 00 00 10 00 00"},
      {"modifier keys are ordinary usages", MacroAssignment({Press(0x88)}),
       "60 00 E0 00 00 00 00 10 00 00"},
      {"mode byte in every record", MacroAssignment({Press(0x14), Release(0x14)}, 1, 3),
       "60 00 04 00 00 00 00 23 00 00 | 60 00 00 00 00 00 00 23 00 00"},
      {"events after the end code are not read",
       MacroAssignment({Press(0x14), MacroEvent{0, 0, 1}, Press(0x15)}),
       "60 00 04 00 00 00 00 10 00 00"},
      {"empty macro", MacroAssignment({}), ""},
  };
  for (const EncodeCase& c : cases) {
    std::array<uint8_t, kMacroAreaLength> records{};
    const std::vector<uint8_t> expected = HexBytes(c.expected);
    const int count = EncodeMacro(c.macro, records);
    EXPECT_EQ(count * kActionRecordLength, expected.size()) << c.name;
    EXPECT_EQ(test::Slice(records, 0, expected.size()), expected) << c.name;
    for (std::size_t i = expected.size(); i < records.size(); ++i) {
      ASSERT_EQ(records[i], 0) << c.name << ": byte " << i << " written past the last record";
    }
  }
}

TEST(EncodeMacro, FullEventArrayWithoutEndIsEncodedWhole) {
  ButtonAssignment macro = MacroAssignment({});
  for (int i = 0; i < kMacroEventCapacity; ++i) {
    macro.MacroEvents[i] = i % 2 == 0 ? Press(0x14) : Release(0x14);
  }
  // The byte after the events must not be taken as a 93rd event.
  macro.MacroMode = 0x14;
  std::array<uint8_t, kMacroAreaLength> records{};
  ASSERT_EQ(EncodeMacro(macro, records), kMacroEventCapacity);
  EXPECT_EQ(test::Slice(records, kMacroAreaLength - 20, 20),
            HexBytes("60 00 04 00 00 00 00 50 00 00 | 60 00 00 00 00 00 00 50 00 00"));
}

}  // namespace
}  // namespace lt260
