#include <algorithm>
#include <cstring>

#include "settings/ButtonAssignment.h"
#include "settings/GlobalSetting.h"
#include "settings/ProfileSetting.h"

namespace lt260 {

void ResetButtonAssignment(ButtonAssignment& record, int buttonIndex) {
  record.ButtonNo = static_cast<uint8_t>(buttonIndex + 1);
  record.FunctionCode = kDefaultFunctionCodes[buttonIndex];
  record.MacroEventCount = 0;
  record.MacroEvents.fill(MacroEvent{});
  record.MacroMode = 0;
  record.MacroRepeat = 0;
  record.MacroIndex = kNoMacroIndex;
}

ButtonAssignment ResetButtonAssignmentFor(int buttonIndex) {
  ButtonAssignment record{};
  ResetButtonAssignment(record, buttonIndex);
  return record;
}

ProfileSetting DefaultProfileSetting() {
  ProfileSetting profile{};
  profile.GroupID = 0;
  profile.DPI_Cur = 3;
  profile.DPI_Color = kDefaultDpiColors;
  profile.DPI_Value = kDefaultDpiValues;
  profile.POLLRATE_VALUE = 2;
  profile.Enable_light = 1;
  profile.Cycle_enable = 0;
  profile.light_type = 0;
  profile.light_Color.fill(kDefaultLightColor);
  profile.light_Cycle = kDefaultLightCycle;
  profile.light_bright_colorID = 0;
  profile.light_bright = 5;
  profile.light_speed = 3;
  profile.DBClick_Speed = 4;
  profile.Scroll_Speed = 3;
  profile.Mouse_Speed = 5;
  profile.scroll_page = 0;
  profile.mouse_enhance = 0;
  for (int i = 0; i < kButtonCount; ++i) ResetButtonAssignment(profile.ButtonAssigned[i], i);
  return profile;
}

GlobalSetting DefaultGlobalSetting() {
  GlobalSetting global{};
  global.lan_id = 0;
  global.Show_TrayIcon = 1;
  global.Show_OSD = 1;
  global.Totle = kMaxProfileCount;
  global.Current = 0;
  global.Active = 0;
  for (int i = 0; i < kMaxProfileCount; ++i) global.ProfileMap[i] = i;
  return global;
}

}  // namespace lt260
