#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "hid/HidChannel.h"
#include "ports/Clock.h"
#include "settings/ProfileSetting.h"
#include "settings/SettingsFile.h"

namespace lt260 {

// Calls within this long of a successful synchronisation do no device work.
inline constexpr uint32_t kSyncDebounceMilliseconds = 1000;

// What the caller lends the synchronisation: the channel and the clock, the
// loaded settings as the reference, the active profile to fill in, the two
// files, and the tick of the last successful run.
struct DeviceSyncTarget {
  HidChannel& Channel;
  Clock& SystemClock;
  const SettingsFile& LoadedSettings;
  ProfileSetting& ActiveProfile;
  const std::filesystem::path& SettingsPath;
  const std::filesystem::path& BulletSettingPath;
  // Tick count at the end of the last successful run; none before the first.
  std::optional<uint32_t>& LastSyncTick;
};

enum class SyncOutcome {
  // The mouse is absent or a report could not be read; nothing was saved,
  // though the active profile may hold what the settings report gave.
  NotRead,
  // The last success was less than a second ago; no device work was done.
  TakenAsRead,
  // The mouse was read and its state saved: the Configurator is to be told.
  Read,
};

// Reads the mouse's state back (settings report, then button-assignment
// report) into the active profile, saves the profile under section Current,
// and saves a bullet macro the mouse holds.
SyncOutcome SyncFromDevice(DeviceSyncTarget& target);

}  // namespace lt260
