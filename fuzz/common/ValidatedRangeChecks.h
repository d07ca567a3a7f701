#pragma once

#include <cstdlib>

#include "settings/SettingsFile.h"

namespace lt260::fuzzing {

// What validation promises of a profile: every value the Agent uses as a
// stage, a choice or a button code lies in its range, and the name ends.
inline void CheckValidatedProfile(const ProfileSetting& profile) {
  if (profile.DPI_Cur < 0 || profile.DPI_Cur > 7) std::abort();
  if (profile.light_type < 0 || profile.light_type > 6) std::abort();
  if (profile.light_bright_colorID < 0 || profile.light_bright_colorID > 6) std::abort();
  if (profile.light_bright < 0 || profile.light_bright > 5) std::abort();
  if (profile.POLLRATE_VALUE < 0 || profile.POLLRATE_VALUE > 3) std::abort();
  if (profile.Cycle_enable < 0 || profile.Cycle_enable > 1) std::abort();
  for (const ButtonAssignment& button : profile.ButtonAssigned) {
    if (!IsAcceptedFunctionCode(button.FunctionCode) && button.FunctionCode != 0) std::abort();
  }
  if (profile.Profil_Name[kProfileNameCapacity - 1] != u'\0') std::abort();
}

// The same of a whole validated record: the count, the active slot and every
// profile in use.
inline void CheckValidatedSettings(const SettingsFile& settings) {
  const GlobalSetting& global = settings.Global;
  if (global.Totle < 1 || global.Totle > kMaxProfileCount) std::abort();
  if (global.Active < 0 || global.Active >= global.Totle) std::abort();
  if (global.Current < 0 || global.Current >= global.Totle) std::abort();
  for (int slot = 0; slot < global.Totle; ++slot) CheckValidatedProfile(settings.Profiles[slot]);
}

}  // namespace lt260::fuzzing
