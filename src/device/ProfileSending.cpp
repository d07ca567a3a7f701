#include "device/ProfileSending.h"

#include "protocol/ButtonReport.h"
#include "protocol/CommandReport.h"
#include "protocol/SettingsReport.h"

namespace lt260 {

bool SendProfileReports(HidChannel& channel, const ProfileSetting& profile, Clock& clock) {
  channel.CloseFeatureHandle();
  if (!channel.FindDevice(kSettingsReportLength)) return false;

  const SettingsReportBytes settings = BuildSettingsReport(profile);
  bool accepted = false;
  for (int attempt = 0; attempt < kSettingsReportAttempts && !accepted; ++attempt) {
    accepted = channel.SetFeature(settings);
    if (!accepted) clock.Sleep(kFirmwareSettleMilliseconds);
  }
  if (!accepted) {
    channel.CloseFeatureHandle();
    return false;
  }
  clock.Sleep(kFirmwareSettleMilliseconds);
  channel.CloseFeatureHandle();

  if (!channel.FindDevice(kButtonReportLength)) return false;
  if (!channel.SetFeature(BuildButtonReport(profile))) {
    channel.CloseFeatureHandle();
    return false;
  }
  return true;
}

bool SendCommandReport(HidChannel& channel) {
  channel.CloseFeatureHandle();
  if (!channel.FindDevice(kCommandReportLength)) return false;
  return channel.SetFeature(BuildCommandReport());
}

}  // namespace lt260
