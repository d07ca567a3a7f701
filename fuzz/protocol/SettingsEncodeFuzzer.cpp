// Arbitrary profile records, as a damaged settings file that skipped validation
// would give them, through the report encoders.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "protocol/ButtonReport.h"
#include "protocol/LittleEndian.h"
#include "protocol/MacroEncoding.h"
#include "protocol/SettingsReport.h"
#include "settings/ProfileSetting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lt260::ProfileSetting profile{};
  std::memcpy(&profile, data, size < sizeof(profile) ? size : sizeof(profile));

  const auto settings = lt260::BuildSettingsReport(profile);
  if (settings[0] != lt260::kSettingsReportId) __builtin_trap();

  for (const lt260::ButtonAssignment& button : profile.ButtonAssigned) {
    std::array<uint8_t, lt260::kMacroAreaLength> records{};
    const int count = lt260::EncodeMacro(button, records);
    if (count < 0 || count > static_cast<int>(lt260::kMacroRecordCapacity)) __builtin_trap();
  }

  // Every offset the report names lies inside the record area.
  const auto report = lt260::BuildButtonReport(profile);
  if (report[0] != lt260::kButtonReportId) __builtin_trap();
  for (int b = 0; b < lt260::kButtonCount; ++b) {
    const uint16_t offset = lt260::LoadLe16(std::span<const uint8_t, 2>(&report[1 + 2 * b], 2));
    if (offset == lt260::kNoBlockOffset) continue;
    if (offset < lt260::kRecordAreaOffset || 1u + offset > report.size()) __builtin_trap();
  }
  return 0;
}
