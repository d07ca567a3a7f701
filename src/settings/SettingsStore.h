#pragma once

#include <cstdint>
#include <filesystem>

#include "ports/Clock.h"
#include "settings/IniDocument.h"
#include "settings/ProfileSetting.h"
#include "settings/SettingsFile.h"

namespace lt260 {

// The header, then each slot below the count from section ProfileMap[slot].
void ReadSettingsFile(const IniDocument& document, SettingsFile& settings);
void ReadSettingsFile(const std::filesystem::path& path, SettingsFile& settings);
// The header, then each slot below the count under section ProfileMap[slot],
// all in one replacement of the file. Every write below waits, if it must,
// through `clock`.
bool WriteSettingsFile(const std::filesystem::path& path, const SettingsFile& settings,
                       Clock& clock);

// What a load found in the settings file.
enum class SettingsLoadOutcome {
  Loaded,       // read
  HeldNothing,  // read, but it holds no profile count: the defaults
  Created,      // there was none: the defaults, now written
  NotCreated,   // there was none, and the defaults could not be written
  Unreadable,   // it exists but cannot be read: the defaults; it is left alone
};

// Reads the file once, validates it, creates the file with the validated
// defaults when there is none, and replaces the three copies: `loaded` and
// `applied` with the whole record, `activeProfile` with slot Active.
SettingsLoadOutcome LoadSettings(const std::filesystem::path& settingsPath, SettingsFile& loaded,
                                 SettingsFile& applied, ProfileSetting& activeProfile,
                                 Clock& clock);

// Writes "DPI_Cur" of section "Profile<sectionNumber>Setting"; nothing else.
bool SaveDpiStage(const std::filesystem::path& settingsPath, int sectionNumber, int32_t stage,
                  Clock& clock);
// Writes "Device" of section "Setting"; nothing else.
bool SaveDevicePresence(const std::filesystem::path& settingsPath, int32_t present, Clock& clock);

}  // namespace lt260
