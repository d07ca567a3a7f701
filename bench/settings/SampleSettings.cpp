#include "SampleSettings.h"

#include <cstdlib>
#include <string>

#include "cli/SteadyClock.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"
#include "settings/TextField.h"
#include "text/Utf8.h"

namespace lt260::bench {

SettingsFile SampleSettings() {
  SettingsFile settings{};
  GlobalSetting& global = settings.Global;
  global.lan_id = 1;
  global.Show_TrayIcon = 0;
  global.Show_OSD = 0;
  global.Totle = kMaxProfileCount;
  global.Current = 2;
  global.Active = 3;
  SetFieldText(global.BGFilesPath, u"C:\\Users\\player\\Pictures\\mouse background.png");
  for (int slot = 0; slot < kMaxProfileCount; ++slot) {
    global.ProfileMap[slot] = kMaxProfileCount - 1 - slot;

    ProfileSetting& profile = settings.Profiles[slot];
    profile.GroupID = slot + 1;
    SetFieldText(profile.Profil_Name, FromUtf8("Profile " + std::to_string(slot + 1) + " (FPS)"));
    profile.DPI_Cur = slot % kDpiStageCount + 1;
    for (int i = 0; i < kDpiStageCount; ++i) {
      profile.DPI_Value[i] = 10 - i;
      profile.DPI_Color[i] = 0x102030 * (i + 1) + slot;
    }
    profile.POLLRATE_VALUE = 3;
    profile.Enable_light = 0;
    profile.Cycle_enable = 1;
    profile.light_type = 4;
    for (int i = 0; i < kLightModeCount; ++i) {
      profile.light_Color[i] = 0x00A0B0C0 + i;
      profile.light_Cycle[i] = 0x00C0B0A0 - i;
    }
    profile.light_bright_colorID = 3;
    profile.light_bright = 2;
    profile.light_speed = 5;
    profile.DBClick_Speed = 7;
    profile.Scroll_Speed = 8;
    profile.Mouse_Speed = 9;
    profile.scroll_page = 1;
    profile.mouse_enhance = 1;
    SetFieldText(profile.SYNCFilesPath, u"C:\\Users\\player\\AppData\\Roaming\\Quendra\\sync");
    for (int button = 0; button < kButtonCount; ++button) {
      const std::string game = "Game " + std::to_string(slot) + std::to_string(button);
      SetFieldText(profile.ExePath[button],
                   FromUtf8("C:\\Program Files\\" + game + "\\bin\\game.exe"));
      SetFieldText(profile.ExeName[button], FromUtf8(game + ".exe"));

      ButtonAssignment& record = profile.ButtonAssigned[button];
      record.ButtonNo = static_cast<uint8_t>(button + 1);
      record.FunctionCode = kMacroFunctionCode;
      record.MacroEventCount = 40;
      for (int event = 0; event < record.MacroEventCount; ++event) {
        MacroEvent& step = record.MacroEvents[event];
        step.Code = event % 3 == 2 ? kMacroDelayCode : static_cast<uint8_t>(0x04 + event);
        step.Value = static_cast<uint16_t>(event % 3 == 2 ? 25 * event : event % 2);
      }
      record.MacroMode = 1;
      record.MacroRepeat = static_cast<uint8_t>(button + 2);
      record.MacroIndex = slot * kButtonCount + button;
    }
  }
  // Whatever a load gives back has been validated; the sample is already valid,
  // so a load must give it back unchanged.
  ValidateSettings(settings);
  return settings;
}

SampleSettingsFile::SampleSettingsFile(const std::string& folderName) {
  const char* chosen = std::getenv("LT260_BENCH_FOLDER");
  const std::filesystem::path base = chosen != nullptr && *chosen != '\0'
                                         ? std::filesystem::path(chosen)
                                         : std::filesystem::temp_directory_path();
  folder_ = base / folderName;
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  std::filesystem::create_directories(folder_, ignored);
  path_ = folder_ / "GamingMouse";
  SteadyClock clock;
  written_ = WriteSettingsFile(path_, SampleSettings(), clock);
}

SampleSettingsFile::~SampleSettingsFile() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

}  // namespace lt260::bench
