#pragma once

#include <array>

#include "settings/GlobalSetting.h"
#include "settings/ProfileSetting.h"

namespace lt260 {

// The whole settings record: the header and six slots, of which the first
// `Totle` are in use.
struct SettingsFile {
  GlobalSetting Global;
  std::array<ProfileSetting, kMaxProfileCount> Profiles;
};

}  // namespace lt260
