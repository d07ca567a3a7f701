#include "protocol/SameButtonAssignment.h"

namespace lt260 {

bool SameButtonAssignment(const ButtonAssignment& readBack, const ButtonAssignment& stored) {
  if (readBack.FunctionCode != stored.FunctionCode) return false;
  if (readBack.MacroEventCount != stored.MacroEventCount) return false;
  for (int i = 0; i < kMacroEventCapacity; ++i) {
    const MacroEvent& a = readBack.MacroEvents[i];
    const MacroEvent& b = stored.MacroEvents[i];
    if (a.Code == kMacroDelayCode || b.Code == kMacroDelayCode) continue;
    if (a.Code != b.Code || a.Value != b.Value) return false;
  }
  return true;
}

}  // namespace lt260
