#include "settings/SettingsStore.h"

#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsValidation.h"

namespace lt260 {
namespace {

void WriteSettings(IniDocument& document, const SettingsFile& settings) {
  WriteGlobalSetting(document, settings.Global);
  const int count = UsableProfileCount(settings.Global.Totle);
  for (int slot = 0; slot < count; ++slot) {
    WriteProfileSetting(document, settings.Global.ProfileMap[slot], settings.Profiles[slot]);
  }
}

}  // namespace

void ReadSettingsFile(const IniDocument& document, SettingsFile& settings) {
  ReadGlobalSetting(document, settings.Global);
  const int count = UsableProfileCount(settings.Global.Totle);
  for (int slot = 0; slot < kMaxProfileCount; ++slot) {
    if (slot < count) {
      ReadProfileSetting(document, settings.Global.ProfileMap[slot], settings.Profiles[slot]);
    } else {
      settings.Profiles[slot] = DefaultProfileSetting();
    }
  }
}

void ReadSettingsFile(const std::filesystem::path& path, SettingsFile& settings) {
  ReadSettingsFile(IniFile::Load(path).document, settings);
}

bool WriteSettingsFile(const std::filesystem::path& path, const SettingsFile& settings,
                       Clock& clock) {
  return IniFile(path, clock).Update([&](IniDocument& document, IniFile::LoadStatus) {
    WriteSettings(document, settings);
    return true;
  });
}

SettingsLoadOutcome LoadSettings(const std::filesystem::path& settingsPath, SettingsFile& loaded,
                                 SettingsFile& applied, ProfileSetting& activeProfile,
                                 Clock& clock) {
  IniFile file(settingsPath, clock);
  const IniFile::Snapshot snapshot = file.Load();
  ReadSettingsFile(snapshot.document, loaded);
  ValidateSettings(loaded);
  SettingsLoadOutcome outcome = SettingsLoadOutcome::Loaded;
  if (snapshot.status == IniFile::LoadStatus::Missing) {
    // The defaults become the file, unless the file has appeared since it was
    // read: what another program just wrote is never overwritten.
    const bool created = file.Update([&](IniDocument& document, IniFile::LoadStatus status) {
      if (status != IniFile::LoadStatus::Missing) return false;
      WriteSettings(document, loaded);
      return true;
    });
    outcome = created ? SettingsLoadOutcome::Created : SettingsLoadOutcome::NotCreated;
  } else if (snapshot.status == IniFile::LoadStatus::Unreadable) {
    outcome = SettingsLoadOutcome::Unreadable;
  } else {
    // A character no file holds tells a missing count from any written one.
    static constexpr char16_t kMissing[] = u"\x01";
    if (snapshot.document.ReadString(kGlobalSection, u"Totle", kMissing) == kMissing) {
      outcome = SettingsLoadOutcome::HeldNothing;
    }
  }
  applied = loaded;
  activeProfile = loaded.Profiles[ActiveSlot(loaded.Global)];
  return outcome;
}

bool SaveDpiStage(const std::filesystem::path& settingsPath, int sectionNumber, int32_t stage,
                  Clock& clock) {
  return IniFile(settingsPath, clock)
      .WriteInt(ProfileSectionName(sectionNumber), u"DPI_Cur", stage);
}

bool SaveDevicePresence(const std::filesystem::path& settingsPath, int32_t present, Clock& clock) {
  return IniFile(settingsPath, clock).WriteInt(kGlobalSection, u"Device", present);
}

}  // namespace lt260
