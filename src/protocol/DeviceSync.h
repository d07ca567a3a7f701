#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "hid/HidChannel.h"
#include "ports/Clock.h"
#include "ports/WindowMessages.h"
#include "settings/ProfileSetting.h"
#include "settings/SettingsFile.h"

namespace lt260 {

// Calls within this long of a successful synchronisation do no device work.
inline constexpr uint32_t kSyncDebounceMilliseconds = 1000;

// What the agent window lends the synchronisation: the channel and ports, the
// loaded settings as the reference, the active profile to fill in, the two
// files, and the tick of the last successful run.
struct DeviceSyncTarget {
  HidChannel& Channel;
  Clock& SystemClock;
  WindowMessages& Windows;
  const SettingsFile& LoadedSettings;
  ProfileSetting& ActiveProfile;
  const std::filesystem::path& SettingsPath;
  const std::filesystem::path& BulletSettingPath;
  // Tick count at the end of the last successful run; none before the first.
  std::optional<uint32_t>& LastSyncTick;
};

// Reads the mouse's state back (settings report, then button-assignment
// report) into the active profile, saves the profile under section Current,
// saves a bullet macro the mouse holds, and tells the Configurator. Returns 1
// when the mouse was read and its state saved, or when the last success was
// less than a second ago; 0 when the mouse is absent or a report cannot be read.
int32_t SyncFromDevice(DeviceSyncTarget& target);

// The settings report as read back, adopted into `profile`: stage, polling,
// lighting (its colour unscaled from the brightness the profile held) and the
// DPI-stage colours. The DPI levels are not read back.
void AdoptSettingsReport(std::span<const uint8_t, 40> report, ProfileSetting& profile);

}  // namespace lt260
