#pragma once

#include <cstdint>

#include "hid/HidChannel.h"
#include "ports/Clock.h"
#include "settings/ProfileSetting.h"

namespace lt260 {

// The firmware needs this long after a refused settings report, between the
// settings report and the button-assignment report, and before the
// button-assignment report is read back.
inline constexpr uint32_t kFirmwareSettleMilliseconds = 300;
inline constexpr int kSettingsReportAttempts = 5;

// Programs the mouse with `profile`: the settings report over the interface
// of 40-byte feature reports (up to five attempts), then, over the interface
// of 2049-byte ones, the button-assignment report. True only when the mouse
// took both. Afterwards the 2049-byte interface stays the feature interface.
bool SendProfileReports(HidChannel& channel, const ProfileSetting& profile, Clock& clock);

// Sends the command report over the interface of 8-byte feature reports, once.
bool SendCommandReport(HidChannel& channel);

}  // namespace lt260
