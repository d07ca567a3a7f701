#include "protocol/ButtonBlock.h"

#include "protocol/LittleEndian.h"

namespace lt260 {

namespace {

// The offset 0xFF marks a button without a block; FF FF, the encoder's mark,
// is cut to its low byte and so arrives here as 0xFF too.
constexpr uint16_t kNoBlockMark = 0xFF;
constexpr uint16_t kFixedBlockLength = kActionRecordLength;
constexpr uint16_t kDoubleClickBlockLength = 4 * kActionRecordLength;

constexpr uint8_t kDoubleClickCode = 0xA5;
constexpr uint8_t kUnknownLengthCode = 0xAA;
constexpr uint8_t kNoMatchCode = 0x00;

constexpr uint8_t kAnyByte = 0xFF;  // no value of this byte is tested

// One row of the classification: the first row whose kind and tested bytes
// match gives the code.
struct ClassifyRow {
  uint8_t Kind;
  uint8_t Argument1;
  uint8_t Argument2;
  uint8_t Argument3;
  uint8_t Code;
  bool TestArgument1;
  bool TestArgument2;
  bool TestArgument3;
};

constexpr ClassifyRow Match1(uint8_t kind, uint8_t argument1, uint8_t code) {
  return {kind, argument1, kAnyByte, kAnyByte, code, true, false, false};
}
constexpr ClassifyRow Match12(uint8_t kind, uint8_t argument1, uint8_t argument2, uint8_t code) {
  return {kind, argument1, argument2, kAnyByte, code, true, true, false};
}

constexpr ClassifyRow kClassifyRows[] = {
    Match1(kKindMouseDown, 0x01, 0xA0),
    Match1(kKindMouseDown, 0x02, 0xA1),
    Match1(kKindMouseDown, 0x04, 0xA2),
    Match1(kKindMouseDown, 0x08, 0xA3),
    Match1(kKindMouseDown, 0x10, 0xA4),
    Match1(kKindDeviceFunction, 0x00, 0xC2),
    Match1(kKindDeviceFunction, 0x01, 0xC0),
    Match1(kKindDeviceFunction, 0x02, 0xC1),
    Match12(kKindKeyboard, 0x01, 0x06, 0xB0),  // Ctrl+C
    Match12(kKindKeyboard, 0x01, 0x19, 0xB1),  // Ctrl+V
    Match12(kKindKeyboard, 0x01, 0x1B, 0xB2),  // Ctrl+X
    Match12(kKindKeyboard, 0x01, 0x04, 0xB3),  // Ctrl+A
    Match12(kKindKeyboard, 0x01, 0x09, 0xB4),  // Ctrl+F
    Match12(kKindKeyboard, 0x01, 0x11, 0xB5),  // Ctrl+N
    Match12(kKindKeyboard, 0x01, 0x13, 0xB6),  // Ctrl+P
    Match12(kKindKeyboard, 0x01, 0x16, 0xB7),  // Ctrl+S
    Match12(kKindKeyboard, 0x01, 0x1D, 0xB8),  // Ctrl+Z
    Match12(kKindKeyboard, 0x04, 0x2B, 0xC3),  // Alt+Tab
    Match12(kKindKeyboard, 0x04, 0x3D, 0xC4),  // Alt+F4
    Match12(kKindKeyboard, 0x08, 0x00, 0xBA),  // the GUI key alone
    Match12(kKindKeyboard, 0x08, 0x08, 0xC5),  // GUI+E
    Match12(kKindKeyboard, 0x08, 0x07, 0xC6),  // GUI+D
    Match12(kKindKeyboard, 0x08, 0x0F, 0xC7),  // GUI+L
    // The second bit mask is tested before the first, so that 08 00 02 reads as
    // 0xB9 and not as 0xD0.
    {kKindBitMask, kAnyByte, 0x00, 0x02, 0xB9, false, true, true},
    Match1(kKindBitMask, 0x08, 0xD0),
    Match1(kKindBitMask, 0x04, 0xD1),
    Match1(kKindBitMask, 0x01, 0xD2),
    Match1(kKindBitMask, 0x02, 0xD3),
    Match1(kKindBitMask, 0x40, 0xD4),
    Match1(kKindBitMask, 0x80, 0xD5),
    Match1(kKindBitMask, 0x10, 0xD6),
};

bool Matches(const ClassifyRow& row, const ActionRecord& record) {
  return record.Kind() == row.Kind && (!row.TestArgument1 || record.Argument1 == row.Argument1) &&
         (!row.TestArgument2 || record.Argument2 == row.Argument2) &&
         (!row.TestArgument3 || record.Argument3 == row.Argument3);
}

}  // namespace

std::array<BlockExtent, kButtonCount> SplitButtonBlocks(
    std::span<const uint8_t, kButtonReportLength> report) {
  std::array<uint16_t, kButtonCount> offsets{};
  for (int s = 0; s < kButtonCount; ++s) {
    uint16_t offset = LoadLe16(report.subspan(1 + 2 * s).first<2>());
    if (offset > kButtonReportLength) offset = static_cast<uint16_t>(offset & 0xFF);
    offsets[s] = offset;
  }

  std::array<BlockExtent, kButtonCount> blocks{};
  for (int s = 0; s < kButtonCount; ++s) {
    if (offsets[s] == kNoBlockMark) continue;
    blocks[s].Offset = offsets[s];
    blocks[s].Length = kFixedBlockLength;
    for (int next = s + 1; next < kButtonCount; ++next) {
      if (offsets[next] == kNoBlockMark) continue;
      if (offsets[next] > offsets[s]) {
        blocks[s].Length = static_cast<uint16_t>(offsets[next] - offsets[s]);
      }
      break;
    }
  }
  return blocks;
}

ButtonBlock ReadButtonBlock(std::span<const uint8_t, kButtonReportLength> report,
                            BlockExtent extent) {
  ButtonBlock block;
  block.Length = extent.Length;
  const std::size_t start = 1 + std::size_t{extent.Offset};
  const std::size_t count = std::min<std::size_t>(extent.Length, kBlockCapacity);
  for (std::size_t i = 0; i < count && start + i < report.size(); ++i) {
    block.Bytes[i] = report[start + i];
  }
  return block;
}

uint8_t ClassifyButtonBlock(std::span<const uint8_t> block, std::size_t length) {
  if (length == kDoubleClickBlockLength) return kDoubleClickCode;
  if (length != kFixedBlockLength) return kUnknownLengthCode;

  ActionRecordBytes bytes{};
  std::copy_n(block.begin(), std::min(block.size(), bytes.size()), bytes.begin());
  const ActionRecord record = LoadActionRecord(bytes);
  for (const ClassifyRow& row : kClassifyRows) {
    if (Matches(row, record)) return row.Code;
  }
  return kNoMatchCode;
}

}  // namespace lt260
