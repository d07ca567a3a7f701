// Arbitrary button-assignment reports, as a damaged or hostile mouse might send
// them, through the block split and both macro decoders.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/ButtonBlock.h"
#include "protocol/ButtonReport.h"
#include "protocol/MacroDecoding.h"
#include "settings/ButtonAssignment.h"

namespace {

// Every decode stays within the 92 slots and never writes the end code.
void CheckDecoded(const lt260::ButtonAssignment& assignment, int count) {
  if (count < 0 || count > lt260::kMacroEventCapacity) __builtin_trap();
  for (int i = 0; i < count; ++i) {
    if (assignment.MacroEvents[i].Code == lt260::kMacroEndCode) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lt260::ButtonReportBytes report{};
  std::copy_n(data, std::min(size, report.size()), report.begin());

  const auto blocks = lt260::SplitButtonBlocks(report);
  for (const lt260::BlockExtent& extent : blocks) {
    if (extent.Length == 0) continue;
    const lt260::ButtonBlock block = lt260::ReadButtonBlock(report, extent);
    (void)lt260::ClassifyButtonBlock(block.Bytes, block.Length);
    lt260::ButtonAssignment macro{};
    CheckDecoded(macro, lt260::DecodeMacroBlock(macro, block.Bytes, block.RecordCount()));
    lt260::ButtonAssignment bullet{};
    CheckDecoded(bullet, lt260::DecodeBulletBlock(bullet, block.Bytes, block.RecordCount()));
  }

  // The raw input as records, with a count that overstates what it holds.
  const std::span<const uint8_t> raw(data, size);
  (void)lt260::ClassifyButtonBlock(raw, 10);
  lt260::ButtonAssignment macro{};
  CheckDecoded(macro, lt260::DecodeMacroBlock(macro, raw, size / 10 + 100));
  lt260::ButtonAssignment bullet{};
  CheckDecoded(bullet, lt260::DecodeBulletBlock(bullet, raw, size / 10 + 100));
  return 0;
}
