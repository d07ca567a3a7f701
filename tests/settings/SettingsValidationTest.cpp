#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "settings/SettingsValidation.h"

namespace lt260 {
namespace {

std::unique_ptr<SettingsFile> DefaultSettings() {
  auto settings = std::make_unique<SettingsFile>();
  settings->Global = DefaultGlobalSetting();
  for (ProfileSetting& profile : settings->Profiles) profile = DefaultProfileSetting();
  return settings;
}

bool SameBytes(const ProfileSetting& a, const ProfileSetting& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(ValidateSettings, DefaultsAreValid) {
  auto settings = DefaultSettings();
  const auto before = *settings;
  ValidateSettings(*settings);
  EXPECT_EQ(std::memcmp(settings.get(), &before, sizeof before), 0);
}

TEST(ValidateSettings, BringsTheHeaderIntoRange) {
  struct Case {
    int32_t totle, current, active;
    int32_t expectedTotle, expectedCurrent, expectedActive;
  };
  for (const Case& c : {Case{0, 0, 0, 1, 0, 0}, Case{7, 3, 3, 1, 0, 0}, Case{1, 1, 1, 1, 0, 0},
                        Case{3, 2, 5, 3, 2, 0}, Case{6, -1, 5, 6, 0, 5}}) {
    auto settings = DefaultSettings();
    settings->Global.Totle = c.totle;
    settings->Global.Current = c.current;
    settings->Global.Active = c.active;
    ValidateSettings(*settings);
    EXPECT_EQ(settings->Global.Totle, c.expectedTotle);
    EXPECT_EQ(settings->Global.Current, c.expectedCurrent);
    EXPECT_EQ(settings->Global.Active, c.expectedActive);
  }

  auto settings = DefaultSettings();
  settings->Global.lan_id = 2;
  settings->Global.Show_TrayIcon = 2;
  settings->Global.Show_OSD = 2;
  settings->Global.ProfileMap[2] = 6;
  settings->Global.ProfileMap[1] = -1;
  ValidateSettings(*settings);
  EXPECT_EQ(settings->Global.lan_id, 0);
  EXPECT_EQ(settings->Global.Show_TrayIcon, 1);
  EXPECT_EQ(settings->Global.Show_OSD, 1);
  EXPECT_EQ(settings->Global.ProfileMap[2], 0);
  EXPECT_EQ(settings->Global.ProfileMap[1], 0);
}

TEST(ValidateSettings, LeavesSlotsAtOrAboveTheCountAlone) {
  auto settings = DefaultSettings();
  settings->Global.Totle = 2;
  settings->Global.ProfileMap[4] = 9;
  settings->Profiles[4].DPI_Cur = 99;
  settings->Profiles[1].DPI_Cur = 99;
  ValidateSettings(*settings);
  EXPECT_EQ(settings->Global.ProfileMap[4], 9);
  EXPECT_EQ(settings->Profiles[4].DPI_Cur, 99);
  EXPECT_EQ(settings->Profiles[1].DPI_Cur, 3);
}

TEST(ValidateProfile, ReplacesEachOutOfRangeFieldByItsOwnValue) {
  ProfileSetting profile = DefaultProfileSetting();
  profile.GroupID = 21;
  profile.DPI_Cur = 8;
  profile.DPI_Value[3] = 11;
  profile.DPI_Value[6] = -1;
  profile.POLLRATE_VALUE = 4;
  profile.Enable_light = 2;
  profile.Cycle_enable = 2;
  profile.light_type = 7;
  profile.light_bright_colorID = 7;
  profile.light_bright = 0;  // in range: stays
  profile.light_speed = 0;
  profile.DBClick_Speed = 0;
  profile.Scroll_Speed = 0;
  profile.Mouse_Speed = 0;
  profile.scroll_page = 2;
  profile.mouse_enhance = -1;
  profile.DPI_Color[0] = -5;
  profile.light_Color[1] = 0x7FFFFFFF;
  SetFieldText(profile.Profil_Name, u"kept");
  ValidateProfile(profile);

  EXPECT_EQ(profile.GroupID, 0);
  EXPECT_EQ(profile.DPI_Cur, 3);
  EXPECT_EQ(profile.DPI_Value[3], 6) << "its own default, not the first stage's";
  EXPECT_EQ(profile.DPI_Value[6], 9);
  EXPECT_EQ(profile.POLLRATE_VALUE, 2);
  EXPECT_EQ(profile.Enable_light, 1);
  EXPECT_EQ(profile.Cycle_enable, 0);
  EXPECT_EQ(profile.light_type, 0);
  EXPECT_EQ(profile.light_bright_colorID, 0);
  EXPECT_EQ(profile.light_bright, 0);
  EXPECT_EQ(profile.light_speed, 3);
  EXPECT_EQ(profile.DBClick_Speed, 4);
  EXPECT_EQ(profile.Scroll_Speed, 3);
  EXPECT_EQ(profile.Mouse_Speed, 5);
  EXPECT_EQ(profile.scroll_page, 0);
  EXPECT_EQ(profile.mouse_enhance, 0);
  EXPECT_EQ(profile.DPI_Color[0], -5) << "colours are never validated";
  EXPECT_EQ(profile.light_Color[1], 0x7FFFFFFF);
  EXPECT_EQ(FieldText(profile.Profil_Name), u"kept");
}

TEST(ValidateProfile, ResetsButtonsWithCodesTheMouseDoesNotAccept) {
  ProfileSetting profile = DefaultProfileSetting();
  auto fill = [](ButtonAssignment& button, uint8_t code) {
    button.ButtonNo = 9;
    button.FunctionCode = code;
    button.MacroEventCount = 3;
    button.Reserved1 = 0x5A;
    button.MacroEvents[0] = {0x04, 0, 1};
    button.MacroMode = 2;
    button.MacroRepeat = 5;
    button.Reserved2[0] = 0x6B;
    button.MacroIndex = 12;
  };
  const uint8_t rejected[] = {0x99, 0xAB, 0xBB, 0xC8, 0xD7, 0x00};
  for (uint8_t code : rejected) {
    fill(profile.ButtonAssigned[2], code);
    ValidateProfile(profile);
    const ButtonAssignment& button = profile.ButtonAssigned[2];
    EXPECT_EQ(button.ButtonNo, 3);
    EXPECT_EQ(button.FunctionCode, 0xA2);
    EXPECT_EQ(button.MacroEventCount, 0);
    EXPECT_EQ(button.MacroEvents[0].Code, 0);
    EXPECT_EQ(button.MacroEvents[0].Value, 0);
    EXPECT_EQ(button.MacroMode, 0);
    EXPECT_EQ(button.MacroRepeat, 0);
    EXPECT_EQ(button.MacroIndex, -1);
    EXPECT_EQ(button.Reserved1, 0x5A) << "reserved bytes keep what they held";
    EXPECT_EQ(button.Reserved2[0], 0x6B);
  }

  for (int code : {0xA0, 0xA7, 0xAA, 0xB0, 0xBA, 0xC0, 0xC7, 0xD0, 0xD6}) {
    fill(profile.ButtonAssigned[4], static_cast<uint8_t>(code));
    const ProfileSetting before = profile;
    ValidateProfile(profile);
    EXPECT_TRUE(SameBytes(profile, before)) << "code " << code << " is accepted as it stands";
  }
}

TEST(ValidateProfile, ButtonSevenDefaultIsResetEveryTime) {
  ProfileSetting profile = DefaultProfileSetting();
  ButtonAssignment& seven = profile.ButtonAssigned[6];
  seven.MacroEvents[5] = {0x10, 0, 1};
  seven.MacroIndex = 4;
  ValidateProfile(profile);
  EXPECT_EQ(seven.FunctionCode, 0x00);
  EXPECT_EQ(seven.MacroEvents[5].Code, 0);
  EXPECT_EQ(seven.MacroIndex, -1);
}

}  // namespace
}  // namespace lt260
