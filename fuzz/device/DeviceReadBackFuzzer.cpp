// The whole connect-time read-back with a mouse that answers anything: the
// simulated mouse holds arbitrary settings and button reports, the loaded
// settings name arbitrary slots and sections, and the profile in memory holds
// an arbitrary brightness. The synchronisation runs twice (the second time
// against its own first result as the stored reference), then the settings
// file and the bullet file it wrote are loaded again. Nothing may change
// outside the fields the read-back adopts, and what the files hold must
// parse, match memory and be in range after validation.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "common/ValidatedRangeChecks.h"
#include "device/DeviceSync.h"
#include "protocol/ButtonReadBack.h"
#include "protocol/MacroDecoding.h"
#include "protocol/SettingsReport.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"
#include "sim/SimulatedMouse.h"
#include "support/FakeClock.h"
#include "support/RecordingPorts.h"

namespace {

using namespace lt260;

void Require(bool condition) {
  if (!condition) std::abort();
}

// A folder of this process in memory where there is a tmpfs, so the file
// writes cost no disk.
const std::filesystem::path& WorkFolder() {
  static const std::filesystem::path folder = [] {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) {
      base = std::filesystem::temp_directory_path();
    }
    std::filesystem::path path = base / ("lt260-fuzz-read-back-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

bool IsReadBackCode(uint8_t code) {
  return code == kMacroFunctionCode || code == kBulletFunctionCode ||
         code == kNoBlockFunctionCode || code == 0xA5 || code == 0x00 ||
         IsAcceptedFunctionCode(code);
}

// A read-back record holds a known code, no more events than it counts and
// than fit, and nothing after them.
void CheckReadBackButton(const ButtonAssignment& button) {
  Require(IsReadBackCode(button.FunctionCode));
  Require(button.MacroEventCount <= kMacroEventCapacity);
  for (int i = button.MacroEventCount; i < kMacroEventCapacity; ++i) {
    const MacroEvent& event = button.MacroEvents[i];
    Require(event.Code == 0 && event.Reserved == 0 && event.Value == 0);
  }
  for (int i = 0; i < button.MacroEventCount; ++i) {
    Require(button.MacroEvents[i].Code != kMacroEndCode);
  }
}

// `after` may differ from `before` only in the fields a read-back adopts, and
// of the seven lighting colours only in the one the light type names.
void CheckOnlyAdoptedFieldsChanged(const ProfileSetting& before, const ProfileSetting& after,
                                   std::span<const uint8_t, 40> report) {
  Require(after.light_type == report[3] >> 4);
  Require(after.Cycle_enable == (report[3] & 0x0F));
  Require(after.DPI_Cur == report[1]);
  const int type = after.light_type;
  const int slot = type >= 1 && type <= kLightModeCount ? type - 1 : 0;
  ProfileSetting expected = before;
  expected.DPI_Cur = after.DPI_Cur;
  expected.POLLRATE_VALUE = after.POLLRATE_VALUE;
  expected.light_type = after.light_type;
  expected.Cycle_enable = after.Cycle_enable;
  expected.light_speed = after.light_speed;
  expected.Enable_light = after.Enable_light;
  expected.light_bright = after.light_bright;
  expected.light_Color[slot] = after.light_Color[slot];
  expected.DPI_Color = after.DPI_Color;
  expected.ButtonAssigned = after.ButtonAssigned;
  Require(std::memcmp(&expected, &after, sizeof after) == 0);
}

// Each bullet macro saved is in its section whole: the movement count and
// all 92 events. Where two buttons name the same section, the later one wins.
void CheckBulletFile(const std::filesystem::path& path, const ProfileSetting& profile) {
  const IniFile::Snapshot bullets = IniFile::Load(path);
  bool anySaved = false;
  for (int s = 0; s < kButtonCount; ++s) {
    const ButtonAssignment& button = profile.ButtonAssigned[s];
    if (button.FunctionCode != kBulletFunctionCode || button.MacroEvents[0].Code < 2) continue;
    bool laterSameSection = false;
    for (int t = s + 1; t < kButtonCount; ++t) {
      const ButtonAssignment& later = profile.ButtonAssigned[t];
      laterSameSection |= later.FunctionCode == kBulletFunctionCode &&
                          later.MacroEvents[0].Code == button.MacroEvents[0].Code;
    }
    if (laterSameSection) continue;
    anySaved = true;
    std::u16string section = u"BulletProfile";
    const std::string number = std::to_string(button.MacroEvents[0].Code - 2);
    section.append(number.begin(), number.end());
    int movements = 0;
    for (int i = 0; i < button.MacroEventCount; ++i) {
      movements += button.MacroEvents[i].Code == kMovementEventCode ? 1 : 0;
    }
    Require(bullets.document.ReadInt(section, u"BulletNum", -1) == movements);
    std::array<uint8_t, sizeof button.MacroEvents> events{};
    Require(bullets.document.ReadStruct(section, u"Macro", events));
    Require(std::memcmp(events.data(), button.MacroEvents.data(), events.size()) == 0);
  }
  Require(anySaved == (bullets.status == IniFile::LoadStatus::Loaded));
}

// The profile section written holds the profile exactly, and validation
// brings it into range.
void CheckProfileSection(const std::filesystem::path& path, int32_t section,
                         const ProfileSetting& profile) {
  auto read = std::make_unique<ProfileSetting>();
  ReadProfileSetting(path, section, *read);
  Require(std::memcmp(read.get(), &profile, sizeof profile) == 0);
  ValidateProfile(*read);
  fuzzing::CheckValidatedProfile(*read);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  auto loaded = std::make_unique<SettingsFile>();
  loaded->Global = DefaultGlobalSetting();
  for (ProfileSetting& profile : loaded->Profiles) profile = DefaultProfileSetting();
  loaded->Global.Active = input.ConsumeIntegral<int32_t>();
  loaded->Global.Current = input.ConsumeIntegral<int32_t>();
  const int32_t storedMacroIndex = input.ConsumeIntegral<int32_t>();
  auto active = std::make_unique<ProfileSetting>(DefaultProfileSetting());
  active->light_bright = input.ConsumeIntegral<int32_t>();
  active->light_type = input.ConsumeIntegral<int32_t>();
  std::array<uint8_t, kSettingsReportLength> settingsReport{};
  const std::vector<uint8_t> settingsBytes = input.ConsumeBytes<uint8_t>(kSettingsReportLength);
  std::copy(settingsBytes.begin(), settingsBytes.end(), settingsReport.begin());
  settingsReport[0] = kSettingsReportId;
  const std::vector<uint8_t> buttonReport = input.ConsumeRemainingBytes<uint8_t>();

  SimulatedMouse mouse;
  mouse.SetSettingsReport(settingsReport);
  mouse.SetButtonReport(buttonReport);
  test::RecordingWindowMessages windows;
  test::RecordingDebugOutput debug;
  test::FakeClock clock;
  HidChannel channel(mouse, debug);
  const std::filesystem::path settingsPath = WorkFolder() / "GamingMouse";
  const std::filesystem::path bulletPath = WorkFolder() / "BulletSetting";
  std::filesystem::remove(settingsPath);
  std::filesystem::remove(bulletPath);
  std::optional<uint32_t> lastSyncTick;
  DeviceSyncTarget target{channel, clock, *loaded, *active, settingsPath, bulletPath, lastSyncTick};

  const auto loadedBefore = std::make_unique<SettingsFile>(*loaded);
  const ProfileSetting before = *active;
  Require(SyncFromDevice(target) == SyncOutcome::Read);
  Require(std::memcmp(loaded.get(), loadedBefore.get(), sizeof *loaded) == 0);
  CheckOnlyAdoptedFieldsChanged(before, *active, settingsReport);
  for (const ButtonAssignment& button : active->ButtonAssigned) CheckReadBackButton(button);
  CheckProfileSection(settingsPath, loaded->Global.Current, *active);
  CheckBulletFile(bulletPath, *active);

  // Again, with what was just read back as the stored reference: every macro
  // is then the known one and takes the stored index.
  ProfileSetting& reference = loaded->Profiles[ActiveSlot(loaded->Global)];
  reference.ButtonAssigned = active->ButtonAssigned;
  for (ButtonAssignment& button : reference.ButtonAssigned) button.MacroIndex = storedMacroIndex;
  clock.Advance(kSyncDebounceMilliseconds);
  Require(SyncFromDevice(target) == SyncOutcome::Read);
  for (const ButtonAssignment& button : active->ButtonAssigned) {
    const bool isMacro =
        button.FunctionCode == kMacroFunctionCode || button.FunctionCode == kBulletFunctionCode;
    Require(button.MacroIndex == (isMacro ? storedMacroIndex : 0));
  }
  // The file as the Agent loads it at its next start.
  auto settings = std::make_unique<SettingsFile>();
  ReadSettingsFile(settingsPath, *settings);
  ValidateSettings(*settings);
  fuzzing::CheckValidatedSettings(*settings);
  return 0;
}
