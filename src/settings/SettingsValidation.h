#pragma once

#include "settings/ProfileSetting.h"
#include "settings/SettingsFile.h"

namespace lt260 {

// Brings a loaded record into range: the header, then the map entry and the
// profile of every slot below the count. Out-of-range values take fixed
// replacements; text and colours are never touched.
void ValidateSettings(SettingsFile& settings);

// Brings one profile into range, and resets every button record whose function
// code is not one the mouse accepts.
void ValidateProfile(ProfileSetting& profile);

}  // namespace lt260
