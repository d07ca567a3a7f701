#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/ButtonBlock.h"
#include "protocol/ProtocolTestSupport.h"

namespace lt260 {
namespace {

using test::HexBytes;

ButtonReportBytes ReportWithOffsets(const std::string& offsetTableHex) {
  ButtonReportBytes report{};
  report[0] = kButtonReportId;
  const std::vector<uint8_t> table = HexBytes(offsetTableHex);
  std::copy(table.begin(), table.end(), report.begin() + 1);
  return report;
}

TEST(SplitButtonBlocks, OffsetsAndLengthsFromTheTable) {
  struct Case {
    std::string name;
    std::string offsetTable;
    std::array<uint16_t, kButtonCount> offsets;
    std::array<uint16_t, kButtonCount> lengths;
  };
  const Case cases[] = {
      {"seven single records",
       "30 00 3A 00 44 00 4E 00 58 00 62 00 6C 00",
       {0x30, 0x3A, 0x44, 0x4E, 0x58, 0x62, 0x6C},
       {10, 10, 10, 10, 10, 10, 10}},
      {"double click, then buttons without block",
       "30 00 58 00 FF FF FF FF FF FF FF FF 62 00",
       {0x30, 0x58, 0, 0, 0, 0, 0x62},
       {40, 10, 0, 0, 0, 0, 10}},
      {"offset above the report taken by its low byte",
       "34 12 FF FF FF FF FF FF FF FF FF FF 50 00",
       {0x34, 0, 0, 0, 0, 0, 0x50},
       {0x1C, 0, 0, 0, 0, 0, 10}},
      {"offset 0xFF written as FF 00 means no block too",
       "FF 00 30 00 FF FF FF FF FF FF FF FF 3A 00",
       {0, 0x30, 0, 0, 0, 0, 0x3A},
       {0, 10, 0, 0, 0, 0, 10}},
      {"empty macro shares the next offset and reads its record",
       "30 00 3A 00 3A 00 FF FF FF FF FF FF 44 00",
       {0x30, 0x3A, 0x3A, 0, 0, 0, 0x44},
       {10, 10, 10, 0, 0, 0, 10}},
      {"smaller next offset gives one record",
       "80 00 30 00 FF FF FF FF FF FF FF FF 40 00",
       {0x80, 0x30, 0, 0, 0, 0, 0x40},
       {10, 0x10, 0, 0, 0, 0, 10}},
      {"report length itself is kept, one past it is cut",
       "01 08 02 08 FF FF FF FF FF FF FF FF FF FF",
       {0x801, 0x02, 0, 0, 0, 0, 0},
       {10, 10, 0, 0, 0, 0, 0}},
      {"block running to the end of the report",
       "30 00 FF FF FF FF FF FF FF FF FF FF 00 08",
       {0x30, 0, 0, 0, 0, 0, 0x800},
       {0x7D0, 0, 0, 0, 0, 0, 10}},
  };
  for (const Case& c : cases) {
    const auto blocks = SplitButtonBlocks(ReportWithOffsets(c.offsetTable));
    for (int s = 0; s < kButtonCount; ++s) {
      EXPECT_EQ(blocks[s].Length, c.lengths[s]) << c.name << ": button " << s;
      if (c.lengths[s] != 0) {
        EXPECT_EQ(blocks[s].Offset, c.offsets[s]) << c.name << ": button " << s;
      }
    }
  }
}

// Report byte i holds (i % 251) + 1, never 0, so copied bytes are told from
// the zero fill.
ButtonReportBytes PatternReport() {
  ButtonReportBytes report{};
  for (std::size_t i = 0; i < report.size(); ++i) report[i] = static_cast<uint8_t>(i % 251 + 1);
  return report;
}

TEST(ReadButtonBlock, CopiesOnlyWhatTheReportAndBufferHold) {
  struct Case {
    std::string name;
    BlockExtent extent;
    std::size_t expectedCopied;
    std::size_t expectedRecords;
  };
  const Case cases[] = {
      {"one record", {0x30, 10}, 10, 1},
      {"block in the middle", {0x100, 40}, 40, 4},
      {"last record of the report", {0x7F6, 10}, 10, 1},
      {"block running past the report", {0x7F8, 10}, 8, 1},
      {"offset at the report length", {0x801, 10}, 0, 1},
      {"longer than 92 records", {0x30, 0x7D0}, kBlockCapacity, 92},
      {"long block near the end", {0x700, 0x400}, 0x100, 92},
      {"shorter than a record", {0x30, 5}, 5, 0},
  };
  const ButtonReportBytes report = PatternReport();
  for (const Case& c : cases) {
    const ButtonBlock block = ReadButtonBlock(report, c.extent);
    EXPECT_EQ(block.Length, c.extent.Length) << c.name;
    EXPECT_EQ(block.RecordCount(), c.expectedRecords) << c.name;
    for (std::size_t i = 0; i < kBlockCapacity; ++i) {
      const uint8_t expected = i < c.expectedCopied ? report[1 + c.extent.Offset + i] : 0;
      ASSERT_EQ(block.Bytes[i], expected) << c.name << ": byte " << i;
    }
  }
}

TEST(ButtonBlock, TellsMacrosAndBulletMacrosApart) {
  struct Case {
    std::string bytes;
    bool macro;
    bool bullet;
  };
  const Case cases[] = {
      {"21 01 00 00 00 00 00 00 FF FF", false, false},
      {"61 00 04 00 00 00 00 10 00 00", true, false},
      {"21 01 00 00 00 00 00 30 1E 00 | A1 01 00 00 00 00 00 30 1E 00 | C1 02 05 03", true, true},
      {"21 01 00 00 00 00 00 00 1E 00 | A1 01 00 00 00 00 00 00 1E 00 | CF", false, true},
  };
  for (const Case& c : cases) {
    ButtonBlock block;
    const std::vector<uint8_t> bytes = HexBytes(c.bytes);
    std::copy(bytes.begin(), bytes.end(), block.Bytes.begin());
    block.Length = bytes.size();
    EXPECT_EQ(block.IsMacro(), c.macro) << c.bytes;
    EXPECT_EQ(block.IsBulletMacro(), c.bullet) << c.bytes;
  }
}

TEST(ClassifyButtonBlock, MapsRecordsBackToFunctionCodes) {
  struct Case {
    std::string record;  // bytes 0 to 3 of the first record, the rest zero
    std::size_t length;
    uint8_t expected;
  };
  // Every code's own record is classified in the button report's tests; these
  // are the rows where bytes are ignored, tested first, or match nothing.
  const Case cases[] = {
      {"23 04 55 66", 10, 0xA2},  // bytes 2 and 3 not tested for buttons
      {"2F 08", 10, 0xA3},        // the button number is not consulted
      {"42 02 09", 10, 0xC1},    {"61 08 08 07", 10, 0xC5}, {"81 00 00 02", 10, 0xB9},
      {"81 08 00 02", 10, 0xB9},  // second mask tested first
      {"81 08 01 02", 10, 0xD0}, {"21 03", 10, 0x00},       {"61 02 06", 10, 0x00},
      {"61 01 07", 10, 0x00},    {"A1 01", 10, 0x00},       {"C1 01", 10, 0x00},
      {"43 03", 10, 0x00},       {"81 20", 10, 0x00},       {"00 00", 10, 0x00},
      {"21 01", 40, 0xA5},       {"00 00", 40, 0xA5},       {"21 01", 20, 0xAA},
      {"21 01", 0, 0xAA},        {"21 01", 920, 0xAA},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = HexBytes(c.record);
    bytes.resize(kActionRecordLength);
    EXPECT_EQ(ClassifyButtonBlock(bytes, c.length), c.expected)
        << c.record << " length " << c.length;
  }
}

TEST(ClassifyButtonBlock, ReadsMissingBytesAsZero) {
  const std::vector<uint8_t> kindOnly = HexBytes("44");
  EXPECT_EQ(ClassifyButtonBlock(kindOnly, 10), 0xC2);
  EXPECT_EQ(ClassifyButtonBlock({}, 10), 0x00);
}

}  // namespace
}  // namespace lt260
