#include "protocol/ButtonReadBack.h"

#include "protocol/MacroDecoding.h"

namespace lt260 {

ButtonAssignment ReadBackButtonAssignment(std::span<const uint8_t, kButtonReportLength> report,
                                          BlockExtent extent, int buttonIndex) {
  ButtonAssignment readBack{};
  if (extent.Length == 0) {
    readBack.FunctionCode = kNoBlockFunctionCode;
    return readBack;
  }
  const ButtonBlock block = ReadButtonBlock(report, extent);
  if (!block.IsMacro()) {
    readBack.FunctionCode = ClassifyButtonBlock(block.Bytes, block.Length);
    return readBack;
  }

  int events = 0;
  if (block.IsBulletMacro()) {
    readBack.FunctionCode = kBulletFunctionCode;
    events = DecodeBulletBlock(readBack, block.Bytes, block.RecordCount());
  } else {
    readBack.FunctionCode = kMacroFunctionCode;
    events = DecodeMacroBlock(readBack, block.Bytes, block.RecordCount());
    if (events > 0) readBack.MacroEvents[events - 1].Value = 0;
  }
  readBack.MacroEventCount = static_cast<uint8_t>(events);
  readBack.ButtonNo = static_cast<uint8_t>(buttonIndex + 1);
  readBack.MacroIndex = kNoMacroIndex;
  return readBack;
}

}  // namespace lt260
