#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "protocol/ButtonBlock.h"
#include "protocol/ButtonReport.h"
#include "protocol/LittleEndian.h"
#include "protocol/ProtocolTestSupport.h"
#include "settings/ProfileSetting.h"

namespace lt260 {
namespace {

using test::Bytes;
using test::HexBytes;
using test::Slice;

constexpr std::size_t kRecordAreaStart = 49;

ProfileSetting ProfileWithCodes(const std::array<uint8_t, kButtonCount>& codes) {
  ProfileSetting profile = DefaultProfileSetting();
  for (int b = 0; b < kButtonCount; ++b) profile.ButtonAssigned[b].FunctionCode = codes[b];
  return profile;
}

uint16_t OffsetOf(const ButtonReportBytes& report, int button) {
  return LoadLe16(std::span<const uint8_t, 2>(report.data() + 1 + 2 * button, 2));
}

// The report must be `prefix` followed by zeros only.
void ExpectReport(const ButtonReportBytes& report, const std::string& prefixHex,
                  const std::string& name) {
  const std::vector<uint8_t> prefix = HexBytes(prefixHex);
  EXPECT_EQ(Slice(report, 0, prefix.size()), prefix) << name;
  for (std::size_t i = prefix.size(); i < report.size(); ++i) {
    ASSERT_EQ(report[i], 0) << name << ": byte " << i;
  }
}

constexpr const char* kZeroGap =
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00";

TEST(ButtonReport, OffsetTableAndRecordsOfFixedFunctions) {
  struct Case {
    std::string name;
    std::array<uint8_t, kButtonCount> codes;
    std::string offsets;
    std::string records;
  };
  const Case cases[] = {
      {"defaults, button 7 as right button",
       {0xA0, 0xA1, 0xA2, 0xC2, 0xA4, 0xA3, 0x00},
       "30 00 3A 00 44 00 4E 00 58 00 62 00 6C 00",
       "21 01 00 00 00 00 00 00 FF FF | 22 02 00 00 00 00 00 00 FF FF |"
       "23 04 00 00 00 00 00 00 FF FF | 44 00 00 00 00 00 00 00 00 00 |"
       "25 10 00 00 00 00 00 00 FF FF | 26 08 00 00 00 00 00 00 FF FF |"
       "27 02 00 00 00 00 00 00 FF FF"},
      {"double click then a left button",
       {0xA5, 0xA0, 0xAA, 0xAA, 0xAA, 0xAA, 0xA6},
       "30 00 58 00 FF FF FF FF FF FF FF FF 62 00",
       "21 01 00 00 00 00 00 00 41 00 | A1 01 00 00 00 00 00 00 41 00 |"
       "21 01 00 00 00 00 00 00 41 00 | A1 01 00 00 00 00 00 00 41 00 |"
       "22 01 00 00 00 00 00 00 FF FF | 27 02 00 00 00 00 00 00 FF FF"},
      {"button without function between two with one",
       {0xA0, 0xA0, 0xAA, 0xA0, 0xA7, 0x99, 0xA0},
       "30 00 3A 00 FF FF 44 00 FF FF FF FF 4E 00",
       "21 01 00 00 00 00 00 00 FF FF | 22 01 00 00 00 00 00 00 FF FF |"
       "24 01 00 00 00 00 00 00 FF FF | 27 02 00 00 00 00 00 00 FF FF"},
      {"keyboard and bit-mask functions",
       {0xB0, 0xC3, 0xBA, 0xB9, 0xD6, 0xC7, 0xD0},
       "30 00 3A 00 44 00 4E 00 58 00 62 00 6C 00",
       "61 01 06 00 00 00 00 00 00 00 | 62 04 2B 00 00 00 00 00 00 00 |"
       "63 08 00 00 00 00 00 00 00 00 | 84 00 00 02 00 00 00 00 00 00 |"
       "85 10 00 00 00 00 00 00 00 00 | 66 08 0F 00 00 00 00 00 00 00 |"
       "27 02 00 00 00 00 00 00 FF FF"},
      {"no button with a function but the last",
       {0x00, 0x99, 0xAB, 0xFF, 0xA8, 0xA9, 0xA5},
       "FF FF FF FF FF FF FF FF FF FF FF FF 30 00",
       "27 02 00 00 00 00 00 00 FF FF"},
  };
  for (const Case& c : cases) {
    ExpectReport(BuildButtonReport(ProfileWithCodes(c.codes)),
                 "04 " + c.offsets + kZeroGap + c.records, c.name);
  }
}

// Each fixed function code gives its record, and the read-back classifies that
// record as the same code again.
TEST(ButtonReport, EveryFixedFunctionCodeHasItsRecordBothWays) {
  struct Case {
    uint8_t code;
    const char* record;  // as button 3
  };
  const Case cases[] = {
      {0xA0, "23 01 00 00 00 00 00 00 FF FF"}, {0xA1, "23 02 00 00 00 00 00 00 FF FF"},
      {0xA2, "23 04 00 00 00 00 00 00 FF FF"}, {0xA3, "23 08 00 00 00 00 00 00 FF FF"},
      {0xA4, "23 10 00 00 00 00 00 00 FF FF"}, {0xB0, "63 01 06 00 00 00 00 00 00 00"},
      {0xB1, "63 01 19 00 00 00 00 00 00 00"}, {0xB2, "63 01 1B 00 00 00 00 00 00 00"},
      {0xB3, "63 01 04 00 00 00 00 00 00 00"}, {0xB4, "63 01 09 00 00 00 00 00 00 00"},
      {0xB5, "63 01 11 00 00 00 00 00 00 00"}, {0xB6, "63 01 13 00 00 00 00 00 00 00"},
      {0xB7, "63 01 16 00 00 00 00 00 00 00"}, {0xB8, "63 01 1D 00 00 00 00 00 00 00"},
      {0xB9, "83 00 00 02 00 00 00 00 00 00"}, {0xBA, "63 08 00 00 00 00 00 00 00 00"},
      {0xC0, "43 01 00 00 00 00 00 00 00 00"}, {0xC1, "43 02 00 00 00 00 00 00 00 00"},
      {0xC2, "43 00 00 00 00 00 00 00 00 00"}, {0xC3, "63 04 2B 00 00 00 00 00 00 00"},
      {0xC4, "63 04 3D 00 00 00 00 00 00 00"}, {0xC5, "63 08 08 00 00 00 00 00 00 00"},
      {0xC6, "63 08 07 00 00 00 00 00 00 00"}, {0xC7, "63 08 0F 00 00 00 00 00 00 00"},
      {0xD0, "83 08 00 00 00 00 00 00 00 00"}, {0xD1, "83 04 00 00 00 00 00 00 00 00"},
      {0xD2, "83 01 00 00 00 00 00 00 00 00"}, {0xD3, "83 02 00 00 00 00 00 00 00 00"},
      {0xD4, "83 40 00 00 00 00 00 00 00 00"}, {0xD5, "83 80 00 00 00 00 00 00 00 00"},
      {0xD6, "83 10 00 00 00 00 00 00 00 00"},
  };
  for (const Case& c : cases) {
    const auto report = BuildButtonReport(ProfileWithCodes({0xAA, 0xAA, c.code, 0xAA, 0xAA, 0xAA}));
    EXPECT_EQ(OffsetOf(report, 2), 0x30) << std::hex << int{c.code};
    EXPECT_EQ(Slice(report, kRecordAreaStart, 20),
              HexBytes(std::string(c.record) + "27 02 00 00 00 00 00 00 FF FF"))
        << std::hex << int{c.code};
    EXPECT_EQ(ClassifyButtonBlock(HexBytes(c.record), 10), c.code) << std::hex << int{c.code};
  }
}

TEST(ButtonReport, MacroRecordsCarryTheButtonNumber) {
  struct Case {
    std::string name;
    ButtonAssignment macro;
    std::string offsets;
    std::string records;
  };
  const Case cases[] = {
      {"key macro on button 3",
       test::MacroAssignment({test::Press(0x14), test::Delay(50), test::Release(0x14)}),
       "FF FF FF FF 30 00 FF FF FF FF FF FF 44 00",
       "63 00 04 00 00 00 00 10 32 00 | 63 00 00 00 00 00 00 10 00 00 |"
       "27 02 00 00 00 00 00 00 FF FF"},
      {"empty macro shares its offset with the next button", test::MacroAssignment({}),
       "FF FF FF FF 30 00 FF FF FF FF FF FF 30 00", "27 02 00 00 00 00 00 00 FF FF"},
  };
  for (const Case& c : cases) {
    ProfileSetting profile = ProfileWithCodes({0xAA, 0xAA, 0xA6, 0xAA, 0xAA, 0xAA, 0xA6});
    profile.ButtonAssigned[2] = c.macro;
    // The last button's own macro is never sent.
    profile.ButtonAssigned[6] = test::MacroAssignment({test::Press(0x14)});
    const auto report = BuildButtonReport(profile);
    ExpectReport(report, "04 " + c.offsets + kZeroGap + c.records, c.name);
  }
}

// A macro of `records` key records, each pressing key 0x14 (usage 0x04).
ButtonAssignment MacroOfLength(int records) {
  ButtonAssignment macro = test::MacroAssignment({});
  for (int i = 0; i < records; ++i) macro.MacroEvents[i] = test::Press(0x14);
  return macro;
}

// The record area holds 200 records. Fixed-function buttons keep theirs; macros
// are cut at a record boundary to what is left, in button order.
TEST(ButtonReport, MacrosThatOverflowAreCutAndLaterButtonsKept) {
  struct Case {
    std::string name;
    std::array<uint8_t, kButtonCount> codes;
    std::array<int, kButtonCount> macroLengths;
    std::array<int, kButtonCount> expectedRecords;
  };
  const Case cases[] = {
      {"exactly full",
       {0xA6, 0xA6, 0xA6, 0xAA, 0xAA, 0xAA, 0},
       {92, 92, 15, 0, 0, 0, 0},
       {92, 92, 15, 0, 0, 0, 1}},
      {"one record too many",
       {0xA6, 0xA6, 0xA6, 0xAA, 0xAA, 0xAA, 0},
       {92, 92, 16, 0, 0, 0, 0},
       {92, 92, 15, 0, 0, 0, 1}},
      {"six longest macros",
       {0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0xA6, 0},
       {92, 92, 92, 92, 92, 92, 0},
       {92, 92, 15, 0, 0, 0, 1}},
      {"fixed functions behind a cut macro keep their records",
       {0xA6, 0xA6, 0xA6, 0xA5, 0xA6, 0xA0, 0},
       {92, 92, 92, 0, 92, 0, 0},
       {92, 92, 10, 4, 0, 1, 1}},
      {"a later short macro gets nothing once the area is full",
       {0xA6, 0xA6, 0xA6, 0xA0, 0xA6, 0xA1, 0},
       {92, 92, 92, 0, 1, 0, 0},
       {92, 92, 13, 1, 0, 1, 1}},
  };
  for (const Case& c : cases) {
    ProfileSetting profile = ProfileWithCodes(c.codes);
    for (int b = 0; b < kButtonCount; ++b) {
      if (c.codes[b] == 0xA6) profile.ButtonAssigned[b] = MacroOfLength(c.macroLengths[b]);
    }
    const auto report = BuildButtonReport(profile);
    int used = 0;
    for (int b = 0; b < kButtonCount; ++b) {
      const bool hasOffset = c.expectedRecords[b] > 0 || c.codes[b] == 0xA6;
      const uint16_t expectedOffset = hasOffset ? static_cast<uint16_t>(0x30 + 10 * used) : 0xFFFF;
      EXPECT_EQ(OffsetOf(report, b), expectedOffset) << c.name << ": button " << b;
      if (c.codes[b] == 0xA6 && c.expectedRecords[b] > 0) {
        const std::size_t last = kRecordAreaStart + 10 * (used + c.expectedRecords[b] - 1);
        const std::vector<uint8_t> lastKept = {
            static_cast<uint8_t>(0x60 + b + 1), 0, 0x04, 0, 0, 0, 0, 0x10, 0, 0};
        EXPECT_EQ(Slice(report, last, 10), lastKept) << c.name << ": button " << b;
      }
      used += c.expectedRecords[b];
    }
    // The last button's record is always there, directly after the others.
    EXPECT_EQ(Slice(report, kRecordAreaStart + 10 * (used - 1), 10),
              HexBytes("27 02 00 00 00 00 00 00 FF FF"))
        << c.name;
    for (std::size_t i = kRecordAreaStart + 10 * used; i < report.size(); ++i) {
      ASSERT_EQ(report[i], 0) << c.name << ": byte " << i;
    }
  }
}

}  // namespace
}  // namespace lt260
