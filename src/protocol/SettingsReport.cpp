#include "protocol/SettingsReport.h"

#include <bit>

namespace lt260 {

namespace {

// The low byte of a settings field, as the report carries every value.
uint8_t LowByte(int32_t value) { return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFF); }

uint8_t Red(int32_t colour) { return LowByte(colour); }
uint8_t Green(int32_t colour) { return LowByte(colour >> 8); }
uint8_t Blue(int32_t colour) { return LowByte(colour >> 16); }

// Light type k uses the colour at index k - 1; type 0 shares the colour of
// type 1. A type outside the array (only in an unvalidated profile) falls back
// to that same first colour rather than reading past the array.
int32_t LightingColour(const ProfileSetting& profile) {
  const int32_t type = profile.light_type;
  if (type >= 1 && type <= kLightModeCount) return profile.light_Color[type - 1];
  return profile.light_Color[0];
}

// The sub-option that shares byte 3 with the light type.
int32_t LightSubOption(const ProfileSetting& profile) {
  switch (profile.light_type) {
    case 0:
    case 5:
      return profile.Cycle_enable;
    case 1:
      return profile.light_bright_colorID;
    default:
      return 0;
  }
}

// Scales a colour channel by brightness fifths, truncating. Computed in 64 bits
// so that an unvalidated brightness cannot overflow.
uint8_t ScaleChannel(uint8_t channel, int32_t brightFifths) {
  const int64_t scaled = static_cast<int64_t>(channel) * brightFifths / 5;
  return static_cast<uint8_t>(static_cast<uint64_t>(scaled) & 0xFF);
}

int32_t Colour(const std::array<uint8_t, 3>& rgb) {
  return static_cast<int32_t>(rgb[0] | rgb[1] << 8 | rgb[2] << 16);
}

// Undoes ScaleChannel for a brightness the profile holds (1 to 5 once
// validated), keeping the low byte as the firmware would.
uint8_t UnscaleChannel(uint8_t channel, int32_t brightFifths) {
  return static_cast<uint8_t>((channel * 5 / brightFifths) & 0xFF);
}

}  // namespace

SettingsReportBytes BuildSettingsReport(const ProfileSetting& profile) {
  SettingsReportLayout report{};
  report.ReportId = kSettingsReportId;
  report.DpiStage = LowByte(profile.DPI_Cur);
  report.PollRate = LowByte(profile.POLLRATE_VALUE);
  // Unsigned arithmetic keeps the low byte the mouse expects without signed
  // overflow on values validation would have replaced.
  report.LightSpeed =
      static_cast<uint8_t>((5u - static_cast<uint32_t>(profile.light_speed)) & 0xFF);

  if (profile.Enable_light != 0) {
    const uint32_t mode = static_cast<uint32_t>(profile.light_type) * 16u +
                          static_cast<uint32_t>(LightSubOption(profile));
    report.LightMode = static_cast<uint8_t>(mode & 0xFF);
    const int32_t colour = LightingColour(profile);
    report.LightColor[0] = ScaleChannel(Red(colour), profile.light_bright);
    report.LightColor[1] = ScaleChannel(Green(colour), profile.light_bright);
    report.LightColor[2] = ScaleChannel(Blue(colour), profile.light_bright);
  }

  for (int stage = 0; stage < kDpiStageCount; ++stage) {
    report.DpiValue[stage] = LowByte(profile.DPI_Value[stage]);
    report.DpiColor[stage][0] = Red(profile.DPI_Color[stage]);
    report.DpiColor[stage][1] = Green(profile.DPI_Color[stage]);
    report.DpiColor[stage][2] = Blue(profile.DPI_Color[stage]);
  }
  return std::bit_cast<SettingsReportBytes>(report);
}

void AdoptSettingsReport(const SettingsReportBytes& bytes, ProfileSetting& profile) {
  const auto report = std::bit_cast<SettingsReportLayout>(bytes);
  profile.DPI_Cur = report.DpiStage;
  profile.POLLRATE_VALUE = report.PollRate;
  profile.light_type = report.LightMode >> 4;
  profile.Cycle_enable = report.LightMode & 0x0F;
  profile.light_speed = 5 - report.LightSpeed;

  // Types 1 to 7 keep their colour at index type - 1; type 0 shares the first
  // slot, and so does a type the mouse should not report (8 to 15), which must
  // not reach past the seven colours into the fields after them.
  const bool namesSlot = profile.light_type >= 1 && profile.light_type <= kLightModeCount;
  int32_t& colour = profile.light_Color[namesSlot ? profile.light_type - 1 : 0];
  const std::array<uint8_t, 3>& rgb = report.LightColor;
  if (rgb == std::array<uint8_t, 3>{}) {
    colour = 0;
    profile.Enable_light = 0;
    profile.light_bright = 0;
  } else if (profile.light_bright <= 0) {
    colour = Colour(rgb);
    profile.light_bright = 5;
  } else {
    const int32_t bright = profile.light_bright;
    colour = Colour({UnscaleChannel(rgb[0], bright), UnscaleChannel(rgb[1], bright),
                     UnscaleChannel(rgb[2], bright)});
  }

  for (int stage = 0; stage < kDpiStageCount; ++stage) {
    profile.DPI_Color[stage] = Colour(report.DpiColor[stage]);
  }
}

}  // namespace lt260
