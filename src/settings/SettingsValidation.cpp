#include "settings/SettingsValidation.h"

namespace lt260 {
namespace {

void Clamp(int32_t& value, int32_t low, int32_t high, int32_t replacement) {
  if (value < low || value > high) value = replacement;
}

}  // namespace

void ValidateProfile(ProfileSetting& profile) {
  Clamp(profile.GroupID, 0, 20, 0);
  Clamp(profile.DPI_Cur, 0, 7, 3);
  for (int i = 0; i < kDpiStageCount; ++i) Clamp(profile.DPI_Value[i], 0, 10, kDefaultDpiValues[i]);
  Clamp(profile.POLLRATE_VALUE, 0, 3, 2);
  Clamp(profile.Enable_light, 0, 1, 1);
  Clamp(profile.Cycle_enable, 0, 1, 0);
  Clamp(profile.light_type, 0, 6, 0);
  Clamp(profile.light_bright_colorID, 0, 6, 0);
  Clamp(profile.light_bright, 0, 5, 5);
  Clamp(profile.light_speed, 1, 5, 3);
  Clamp(profile.DBClick_Speed, 1, 10, 4);
  Clamp(profile.Scroll_Speed, 1, 10, 3);
  Clamp(profile.Mouse_Speed, 1, 10, 5);
  Clamp(profile.scroll_page, 0, 1, 0);
  Clamp(profile.mouse_enhance, 0, 1, 0);
  for (int i = 0; i < kButtonCount; ++i) {
    ButtonAssignment& button = profile.ButtonAssigned[i];
    if (!IsAcceptedFunctionCode(button.FunctionCode)) ResetButtonAssignment(button, i);
  }
}

void ValidateSettings(SettingsFile& settings) {
  GlobalSetting& global = settings.Global;
  Clamp(global.Totle, 1, kMaxProfileCount, 1);
  Clamp(global.Current, 0, global.Totle - 1, 0);
  Clamp(global.Active, 0, global.Totle - 1, 0);
  Clamp(global.lan_id, 0, 1, 0);
  Clamp(global.Show_TrayIcon, 0, 1, 1);
  Clamp(global.Show_OSD, 0, 1, 1);
  for (int i = 0; i < global.Totle; ++i) {
    Clamp(global.ProfileMap[i], 0, kMaxProfileCount - 1, 0);
    ValidateProfile(settings.Profiles[i]);
  }
}

}  // namespace lt260
