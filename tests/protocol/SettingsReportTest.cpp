#include <gtest/gtest.h>

#include <climits>

#include "protocol/ProtocolTestSupport.h"
#include "protocol/SettingsReport.h"
#include "settings/ProfileSetting.h"

namespace lt260 {
namespace {

using test::Bytes;
using test::HexBytes;
using test::Slice;

TEST(SettingsReport, DefaultProfileGivesTheKnownReport) {
  const auto report = BuildSettingsReport(DefaultProfileSetting());
  EXPECT_EQ(Bytes(report),
            HexBytes("03 03 02 00 02 FF 00 00 | 02 04 05 06 07 08 09 | 00 |"
                     "FF 00 00 00 FF 00 00 00 FF 00 FF FF FF 00 FF FF FF 00 FF FF FF |"
                     "00 00 00"));
}

TEST(SettingsReport, ModeByteCombinesTypeAndItsSubOption) {
  struct Case {
    int32_t lightType;
    int32_t cycleEnable;
    int32_t brightColorId;
    uint8_t expected;
  };
  const Case cases[] = {
      {0, 1, 6, 0x01}, {0, 0, 6, 0x00}, {1, 1, 4, 0x14}, {2, 1, 4, 0x20}, {3, 1, 6, 0x30},
      {4, 1, 6, 0x40}, {5, 1, 6, 0x51}, {5, 0, 6, 0x50}, {6, 1, 6, 0x60},
  };
  for (const Case& c : cases) {
    ProfileSetting profile = DefaultProfileSetting();
    profile.light_type = c.lightType;
    profile.Cycle_enable = c.cycleEnable;
    profile.light_bright_colorID = c.brightColorId;
    EXPECT_EQ(BuildSettingsReport(profile)[3], c.expected) << "light_type " << c.lightType;
  }
}

TEST(SettingsReport, LightingColourFollowsTypeAndBrightness) {
  struct Case {
    int32_t lightType;
    int32_t bright;
    const char* expectedRgb;
  };
  // Light colour k has R = 0x10 * (k + 1), G = 0xFF and B = k, so each slot is told apart.
  const Case cases[] = {
      {0, 5, "10 FF 00"},  // type 0 shares the first colour with type 1
      {1, 5, "10 FF 00"}, {3, 5, "30 FF 02"},
      {6, 5, "60 FF 05"},                      // the seventh colour is never sent
      {1, 0, "00 00 00"}, {1, 3, "09 99 00"},  // 255 * 3 / 5 = 153
      {4, 4, "33 CC 02"},                      // 0x40 * 4 / 5 = 51, 3 * 4 / 5 = 2
      {2, 1, "06 33 00"},                      // 0x20 / 5 = 6, 1 * 1 / 5 truncates to 0
  };
  for (const Case& c : cases) {
    ProfileSetting profile = DefaultProfileSetting();
    for (int k = 0; k < kLightModeCount; ++k)
      profile.light_Color[k] = (0x10 * (k + 1)) | 0xFF00 | (k << 16);
    profile.light_type = c.lightType;
    profile.light_bright = c.bright;
    const auto report = BuildSettingsReport(profile);
    EXPECT_EQ(Slice(report, 5, 3), HexBytes(c.expectedRgb))
        << "light_type " << c.lightType << " bright " << c.bright;
  }
}

TEST(SettingsReport, LightingOffClearsModeAndColourButNotSpeed) {
  ProfileSetting profile = DefaultProfileSetting();
  profile.Enable_light = 0;
  profile.light_type = 5;
  profile.Cycle_enable = 1;
  for (int32_t speed = 1; speed <= 5; ++speed) {
    profile.light_speed = speed;
    const auto report = BuildSettingsReport(profile);
    EXPECT_EQ(Slice(report, 3, 5),
              (std::vector<uint8_t>{0, static_cast<uint8_t>(5 - speed), 0, 0, 0}));
    EXPECT_EQ(Slice(report, 16, 3), HexBytes("FF 00 00")) << "DPI colours are sent unchanged";
  }
}

TEST(SettingsReport, FieldsAreSentAsStored) {
  ProfileSetting profile = DefaultProfileSetting();
  profile.DPI_Cur = 7;
  profile.POLLRATE_VALUE = 0;
  const int32_t values[kDpiStageCount] = {0, 10, 1, 9, 2, 8, 3};
  for (int i = 0; i < kDpiStageCount; ++i) {
    profile.DPI_Value[i] = values[i];
    profile.DPI_Color[i] = 0x030201 * (i + 1);
  }
  EXPECT_EQ(Bytes(BuildSettingsReport(profile)),
            HexBytes("03 07 00 00 02 FF 00 00 | 00 0A 01 09 02 08 03 | 00 |"
                     "01 02 03 02 04 06 03 06 09 04 08 0C 05 0A 0F 06 0C 12 07 0E 15 | 00 00 00"));
}

// A profile that skipped validation must still give a report and never read
// past its colour array or overflow while scaling.
TEST(SettingsReport, UnvalidatedProfileStaysInBounds) {
  struct Case {
    int32_t lightType;
    int32_t bright;
    int32_t speed;
    const char* expectedBytes3To7;
  };
  const Case cases[] = {
      {-1, 5, 3, "F0 02 FF 00 00"},       // negative type: first colour
      {7, 5, 3, "70 02 77 00 00"},        // type 7 still names a colour in the array
      {8, 5, 3, "80 02 FF 00 00"},        // beyond the array: first colour
      {INT_MIN, 5, 3, "00 02 FF 00 00"},  // mode byte keeps the low 8 bits
      {0, INT_MAX, INT_MIN, "00 05 CD 00 00"},
      {0, -5, 6, "00 FF 01 00 00"},
  };
  for (const Case& c : cases) {
    ProfileSetting profile = DefaultProfileSetting();
    profile.light_Color[6] = 0x77;
    profile.light_type = c.lightType;
    profile.light_bright = c.bright;
    profile.light_speed = c.speed;
    EXPECT_EQ(Slice(BuildSettingsReport(profile), 3, 5), HexBytes(c.expectedBytes3To7))
        << "light_type " << c.lightType;
  }
}

}  // namespace
}  // namespace lt260
