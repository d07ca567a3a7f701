// Arbitrary bytes as the settings file: the record read from it and validated
// must be in range, whatever the file holds.
#include <cstdlib>
#include <memory>

#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const lt260::IniDocument document = lt260::IniDocument::Parse(std::span(data, size));
  auto settings = std::make_unique<lt260::SettingsFile>();
  lt260::ReadSettingsFile(document, *settings);
  lt260::ValidateSettings(*settings);

  const lt260::GlobalSetting& global = settings->Global;
  if (global.Totle < 1 || global.Totle > lt260::kMaxProfileCount) std::abort();
  if (global.Active < 0 || global.Active >= global.Totle) std::abort();
  for (int slot = 0; slot < global.Totle; ++slot) {
    const lt260::ProfileSetting& profile = settings->Profiles[slot];
    if (profile.DPI_Cur < 0 || profile.DPI_Cur > 7) std::abort();
    for (const lt260::ButtonAssignment& button : profile.ButtonAssigned) {
      if (!lt260::IsAcceptedFunctionCode(button.FunctionCode) && button.FunctionCode != 0) {
        std::abort();
      }
    }
    if (profile.Profil_Name[lt260::kProfileNameCapacity - 1] != u'\0') std::abort();
  }
  return 0;
}
