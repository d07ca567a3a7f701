#include "device/DeviceSync.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "device/ProfileSending.h"
#include "protocol/ButtonReadBack.h"
#include "protocol/ButtonReport.h"
#include "protocol/MacroDecoding.h"
#include "protocol/SameButtonAssignment.h"
#include "protocol/SettingsReport.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"

namespace lt260 {
namespace {

// A bullet macro names its section by its first event's code less two.
constexpr int kBulletSectionBase = 2;

// Saves a bullet macro read back from the mouse where the Configurator keeps
// them: its movement count and all 92 events.
void SaveBulletMacro(const std::filesystem::path& path, const ButtonAssignment& macro,
                     Clock& clock) {
  const std::u16string section = BulletSectionName(macro.MacroEvents[0].Code - kBulletSectionBase);
  int32_t movements = 0;
  const int counted = std::min<int>(macro.MacroEventCount, kMacroEventCapacity);
  for (int i = 0; i < counted; ++i) {
    if (macro.MacroEvents[i].Code == kMovementEventCode) ++movements;
  }
  std::array<uint8_t, sizeof macro.MacroEvents> events{};
  std::memcpy(events.data(), macro.MacroEvents.data(), events.size());
  IniFile(path, clock).Update([&](IniDocument& document, IniFile::LoadStatus) {
    document.WriteInt(section, u"BulletNum", movements);
    document.WriteStruct(section, u"Macro", events);
    return true;
  });
}

}  // namespace

SyncOutcome SyncFromDevice(DeviceSyncTarget& target) {
  HidChannel& channel = target.Channel;
  const uint32_t start = target.SystemClock.TickCount();
  // Unsigned subtraction measures across the counter's wrap-around. Only a
  // run that succeeded opens the window: an Agent started within a second of
  // the counter passing zero still reads the mouse.
  if (target.LastSyncTick && start - *target.LastSyncTick < kSyncDebounceMilliseconds) {
    return SyncOutcome::TakenAsRead;
  }

  if (!channel.FindDevice(static_cast<int32_t>(kSettingsReportLength))) return SyncOutcome::NotRead;
  SettingsReportBytes settings{kSettingsReportId};
  if (!channel.GetFeature(settings)) {
    channel.CloseFeatureHandle();
    return SyncOutcome::NotRead;
  }
  AdoptSettingsReport(settings, target.ActiveProfile);

  channel.CloseFeatureHandle();
  if (!channel.FindDevice(static_cast<int32_t>(kButtonReportLength))) {
    channel.CloseFeatureHandle();
    return SyncOutcome::NotRead;
  }
  target.SystemClock.Sleep(kFirmwareSettleMilliseconds);
  ButtonReportBytes buttons{kButtonReportId};
  if (!channel.GetFeature(buttons)) {
    channel.CloseFeatureHandle();
    return SyncOutcome::NotRead;
  }

  const GlobalSetting& global = target.LoadedSettings.Global;
  const ProfileSetting& reference = target.LoadedSettings.Profiles[ActiveSlot(global)];
  const auto blocks = SplitButtonBlocks(buttons);
  for (int s = 0; s < kButtonCount; ++s) {
    ButtonAssignment& readBack = target.ActiveProfile.ButtonAssigned[s];
    readBack = ReadBackButtonAssignment(buttons, blocks[s], s);
    const bool isMacro =
        readBack.FunctionCode == kMacroFunctionCode || readBack.FunctionCode == kBulletFunctionCode;
    if (!isMacro) continue;

    // A macro the Configurator already knows keeps its place in the
    // Configurator's macro list; a bullet macro also goes to its own file.
    const ButtonAssignment& stored = reference.ButtonAssigned[s];
    if (SameButtonAssignment(readBack, stored)) {
      readBack.MacroIndex = stored.MacroIndex;
    } else if (readBack.FunctionCode == kBulletFunctionCode &&
               readBack.MacroEvents[0].Code >= kBulletSectionBase) {
      readBack.MacroIndex = stored.MacroIndex;
      SaveBulletMacro(target.BulletSettingPath, readBack, target.SystemClock);
    }
  }

  WriteProfileSetting(target.SettingsPath, global.Current, target.ActiveProfile,
                      target.SystemClock);
  target.LastSyncTick = target.SystemClock.TickCount();
  return SyncOutcome::Read;
}

}  // namespace lt260
