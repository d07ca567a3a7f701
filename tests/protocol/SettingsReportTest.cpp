#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string_view>

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

// A settings report from its leading bytes in hex; the bytes not given are zero.
SettingsReportBytes ReportFrom(std::string_view hex) {
  const std::vector<uint8_t> bytes = HexBytes(hex);
  SettingsReportBytes report{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), report.size()), report.begin());
  return report;
}

TEST(SettingsReadBack, TakesStagePollingSpeedAndStageColoursButNotTheDpiValues) {
  ProfileSetting profile = DefaultProfileSetting();
  const ProfileSetting before = profile;
  AdoptSettingsReport(
      ReportFrom("03 06 01 40 04 FF 00 00 | 09 09 09 09 09 09 09 | 77 |"
                 "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 | 88 88 88"),
      profile);
  EXPECT_EQ(profile.DPI_Cur, 6);
  EXPECT_EQ(profile.POLLRATE_VALUE, 1);
  EXPECT_EQ(profile.light_type, 4);
  EXPECT_EQ(profile.light_speed, 1);
  const int32_t stageColours[kDpiStageCount] = {0x030201, 0x060504, 0x090807, 0x0C0B0A,
                                                0x0F0E0D, 0x121110, 0x151413};
  EXPECT_TRUE(std::equal(profile.DPI_Color.begin(), profile.DPI_Color.end(), stageColours));
  EXPECT_EQ(profile.DPI_Value, before.DPI_Value);
  EXPECT_EQ(profile.light_Cycle, before.light_Cycle);
  EXPECT_EQ(profile.light_bright_colorID, before.light_bright_colorID);
}

// Bytes 3 to 7 of the report (mode, speed, colour) against the brightness the
// profile held. Light colour k is 0x0k0k0k beforehand, so an untouched slot
// is told apart from a written one.
TEST(SettingsReadBack, LightingUndoesTheBrightnessScaling) {
  struct Case {
    const char* name;
    const char* bytes3To7;
    int32_t brightBefore;
    int32_t type, cycle, slot, colour, bright, enable;
  };
  const Case cases[] = {
      {"dark colour turns the light off", "20 01 00 00 00", 5, 2, 0, 1, 0, 0, 0},
      {"no brightness: taken unscaled, at full brightness", "10 01 0A 14 1E", 0, 1, 0, 0, 0x1E140A,
       5, 1},
      {"brightness 1: 255 * 5 keeps its low byte", "30 01 FF 01 00", 1, 3, 0, 2, 0x0005FB, 1, 1},
      {"brightness 3 undone, truncating", "00 01 99 00 03", 3, 0, 0, 0, 0x0500FF, 3, 1},
      {"full brightness kept as sent", "60 01 12 34 56", 5, 6, 0, 5, 0x563412, 5, 1},
      {"type and sub-option as read, unchecked", "15 01 01 00 00", 5, 1, 5, 0, 0x000001, 5, 1},
      {"type beyond the colours lands in the first slot", "80 01 11 22 33", 5, 8, 0, 0, 0x332211, 5,
       1},
      {"type 15 as well", "F3 01 11 22 33", 5, 15, 3, 0, 0x332211, 5, 1},
  };
  for (const Case& c : cases) {
    ProfileSetting profile = DefaultProfileSetting();
    for (int k = 0; k < kLightModeCount; ++k) profile.light_Color[k] = 0x010101 * k;
    profile.light_bright = c.brightBefore;
    const ProfileSetting before = profile;
    AdoptSettingsReport(ReportFrom(std::string("03 03 02 ") + c.bytes3To7), profile);
    EXPECT_EQ(profile.light_type, c.type) << c.name;
    EXPECT_EQ(profile.Cycle_enable, c.cycle) << c.name;
    EXPECT_EQ(profile.light_speed, 4) << c.name;
    EXPECT_EQ(profile.light_bright, c.bright) << c.name;
    EXPECT_EQ(profile.Enable_light, c.enable) << c.name;
    for (int k = 0; k < kLightModeCount; ++k) {
      EXPECT_EQ(profile.light_Color[k], k == c.slot ? c.colour : before.light_Color[k])
          << c.name << ", colour " << k;
    }
    EXPECT_EQ(profile.light_Cycle, before.light_Cycle) << c.name;
    EXPECT_EQ(profile.light_bright_colorID, before.light_bright_colorID) << c.name;
  }
}

// What the encoder sends at full brightness comes back as it was.
TEST(SettingsReadBack, TakesBackWhatTheEncoderSentAtFullBrightness) {
  for (int32_t type = 0; type < kLightModeCount; ++type) {
    ProfileSetting sent = DefaultProfileSetting();
    sent.light_type = type;
    sent.Cycle_enable = 1;
    sent.light_speed = 1 + type % 5;
    sent.DPI_Cur = type;
    for (int k = 0; k < kLightModeCount; ++k) sent.light_Color[k] = 0x102030 + k;
    for (int stage = 0; stage < kDpiStageCount; ++stage)
      sent.DPI_Color[stage] = 0x010203 * (stage + 1);

    ProfileSetting read = DefaultProfileSetting();
    AdoptSettingsReport(BuildSettingsReport(sent), read);
    EXPECT_EQ(read.light_type, sent.light_type);
    EXPECT_EQ(read.Cycle_enable, type == 0 || type == 5 ? 1 : 0) << "only their sub-option";
    EXPECT_EQ(read.light_speed, sent.light_speed);
    EXPECT_EQ(read.DPI_Cur, sent.DPI_Cur);
    EXPECT_EQ(read.POLLRATE_VALUE, sent.POLLRATE_VALUE);
    EXPECT_EQ(read.DPI_Color, sent.DPI_Color);
    const int slot = type == 0 ? 0 : type - 1;
    EXPECT_EQ(read.light_Color[slot], sent.light_Color[slot]) << "light type " << type;
  }
}

}  // namespace
}  // namespace lt260
