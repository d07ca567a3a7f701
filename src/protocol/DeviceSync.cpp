#include "protocol/DeviceSync.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ports/MessageNumbers.h"
#include "protocol/ButtonReadBack.h"
#include "protocol/ButtonReport.h"
#include "protocol/MacroDecoding.h"
#include "protocol/ProfileSending.h"
#include "protocol/SameButtonAssignment.h"
#include "protocol/SettingsReport.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"

namespace lt260 {
namespace {

// A bullet macro names its section by its first event's code less two.
constexpr int kBulletSectionBase = 2;

int32_t Colour(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<int32_t>(red | green << 8 | blue << 16);
}

// The report scales the colour by brightness fifths; reading back undoes it,
// keeping the low byte as the firmware would.
uint8_t Unscale(uint8_t channel, int32_t brightFifths) {
  return static_cast<uint8_t>((channel * 5 / brightFifths) & 0xFF);
}

// Saves a bullet macro read back from the mouse where the Configurator keeps
// them: its movement count and all 92 events.
void SaveBulletMacro(const std::filesystem::path& path, const ButtonAssignment& macro) {
  std::u16string section = u"BulletProfile";
  const std::string number = std::to_string(macro.MacroEvents[0].Code - kBulletSectionBase);
  section.append(number.begin(), number.end());
  int32_t movements = 0;
  const int counted = std::min<int>(macro.MacroEventCount, kMacroEventCapacity);
  for (int i = 0; i < counted; ++i) {
    if (macro.MacroEvents[i].Code == kMovementEventCode) ++movements;
  }
  std::array<uint8_t, sizeof macro.MacroEvents> events{};
  std::memcpy(events.data(), macro.MacroEvents.data(), events.size());
  IniFile(path).Update([&](IniDocument& document, IniFile::LoadStatus) {
    document.WriteInt(section, u"BulletNum", movements);
    document.WriteStruct(section, u"Macro", events);
    return true;
  });
}

}  // namespace

void AdoptSettingsReport(std::span<const uint8_t, 40> report, ProfileSetting& profile) {
  profile.DPI_Cur = report[1];
  profile.POLLRATE_VALUE = report[2];
  profile.light_type = report[3] >> 4;
  profile.Cycle_enable = report[3] & 0x0F;
  profile.light_speed = 5 - report[4];

  // Types 1 to 7 keep their colour at index type - 1; type 0 shares the first
  // slot, and so does a type the mouse should not report (8 to 15), which must
  // not reach past the seven colours into the fields after them.
  const bool namesSlot = profile.light_type >= 1 && profile.light_type <= kLightModeCount;
  int32_t& colour = profile.light_Color[namesSlot ? profile.light_type - 1 : 0];
  if (report[5] == 0 && report[6] == 0 && report[7] == 0) {
    colour = 0;
    profile.Enable_light = 0;
    profile.light_bright = 0;
  } else if (profile.light_bright <= 0) {
    colour = Colour(report[5], report[6], report[7]);
    profile.light_bright = 5;
  } else {
    const int32_t bright = profile.light_bright;
    colour =
        Colour(Unscale(report[5], bright), Unscale(report[6], bright), Unscale(report[7], bright));
  }

  for (int stage = 0; stage < kDpiStageCount; ++stage) {
    const std::size_t at = 16 + 3 * static_cast<std::size_t>(stage);
    profile.DPI_Color[stage] = Colour(report[at], report[at + 1], report[at + 2]);
  }
}

int32_t SyncFromDevice(DeviceSyncTarget& target) {
  HidChannel& channel = target.Channel;
  const uint32_t start = target.SystemClock.TickCount();
  // Unsigned subtraction measures across the counter's wrap-around. Only a
  // run that succeeded opens the window: an Agent started within a second of
  // the counter passing zero still reads the mouse.
  if (target.LastSyncTick && start - *target.LastSyncTick < kSyncDebounceMilliseconds) return 1;

  std::array<uint8_t, kButtonReportLength + 1> buffer{};
  if (!channel.FindDevice(static_cast<int32_t>(kSettingsReportLength))) return 0;
  buffer[0] = kSettingsReportId;
  const std::span<uint8_t, kSettingsReportLength> settings(buffer.data(), kSettingsReportLength);
  if (!channel.GetFeature(settings)) {
    channel.CloseFeatureHandle();
    return 0;
  }
  AdoptSettingsReport(settings, target.ActiveProfile);

  channel.CloseFeatureHandle();
  if (!channel.FindDevice(static_cast<int32_t>(kButtonReportLength))) {
    channel.CloseFeatureHandle();
    return 0;
  }
  target.SystemClock.Sleep(kFirmwareSettleMilliseconds);
  buffer.fill(0);
  buffer[0] = kButtonReportId;
  const std::span<uint8_t, kButtonReportLength> buttons(buffer.data(), kButtonReportLength);
  if (!channel.GetFeature(buttons)) {
    channel.CloseFeatureHandle();
    return 0;
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
      SaveBulletMacro(target.BulletSettingPath, readBack);
    }
  }

  WriteProfileSetting(target.SettingsPath, global.Current, target.ActiveProfile);
  if (const WindowId configurator = target.Windows.FindWindowByTitle(kConfiguratorWindowTitle)) {
    target.Windows.Post(configurator, WM_CFG_SYNC_DONE, 0, 0);
  }
  target.LastSyncTick = target.SystemClock.TickCount();
  return 1;
}

}  // namespace lt260
