#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "settings/ProfileSetting.h"

namespace lt260 {

inline constexpr uint8_t kSettingsReportId = 0x03;
inline constexpr std::size_t kSettingsReportLength = 40;

using SettingsReportBytes = std::array<uint8_t, kSettingsReportLength>;

// Byte layout of feature report 3. Bytes not named are zero.
struct SettingsReportLayout {
  uint8_t ReportId;
  uint8_t DpiStage;
  uint8_t PollRate;
  uint8_t LightMode;   // light type in the high nibble, its sub-option in the low one
  uint8_t LightSpeed;  // 5 - speed, so the fastest effect sends 0
  std::array<uint8_t, 3> LightColor;  // R, G, B scaled by brightness fifths
  std::array<uint8_t, kDpiStageCount> DpiValue;
  uint8_t Reserved1;
  std::array<std::array<uint8_t, 3>, kDpiStageCount> DpiColor;  // R, G, B per stage
  std::array<uint8_t, 3> Reserved2;
};

static_assert(sizeof(SettingsReportLayout) == kSettingsReportLength);
static_assert(offsetof(SettingsReportLayout, LightMode) == 3);
static_assert(offsetof(SettingsReportLayout, LightColor) == 5);
static_assert(offsetof(SettingsReportLayout, DpiValue) == 8);
static_assert(offsetof(SettingsReportLayout, DpiColor) == 16);
static_assert(offsetof(SettingsReportLayout, Reserved2) == 37);

// The settings report of one profile: DPI stage and values, polling rate,
// lighting and the stage colours. A function of `profile` alone. The profile is
// expected to be validated; out-of-range values still give a report (each field
// sent as its low byte) and never read outside the profile.
SettingsReportBytes BuildSettingsReport(const ProfileSetting& profile);

// The settings report as the mouse gives it back, adopted into `profile`: DPI
// stage, polling rate, lighting and the DPI-stage colours. The lighting colour
// is unscaled by the brightness `profile` holds; a dark colour turns the
// lighting off, and a profile without brightness takes the colour as it is at
// full brightness. The DPI values and the fields the report does not carry are
// left as they are. Values are taken as read; validation is the caller's.
void AdoptSettingsReport(const SettingsReportBytes& report, ProfileSetting& profile);

}  // namespace lt260
