#include "app/MousePresence.h"

#include <algorithm>
#include <array>

#include "protocol/ButtonReport.h"
#include "protocol/CommandReport.h"
#include "protocol/SettingsReport.h"

namespace lt260 {

MousePresence PresenceOf(std::span<const HidChannel::InterfaceShape> interfaces) {
  if (interfaces.empty()) return MousePresence::Absent;
  const auto hasInput = std::any_of(interfaces.begin(), interfaces.end(), [](const auto& shape) {
    return shape.InputLength == kInputReportLength;
  });
  constexpr std::array kFeatureLengths = {static_cast<int>(kSettingsReportLength),
                                          static_cast<int>(kButtonReportLength),
                                          static_cast<int>(kCommandReportLength)};
  const auto hasFeatures =
      std::all_of(kFeatureLengths.begin(), kFeatureLengths.end(), [&](int length) {
        return std::any_of(interfaces.begin(), interfaces.end(),
                           [&](const auto& shape) { return shape.FeatureLength == length; });
      });
  return hasInput && hasFeatures ? MousePresence::Complete : MousePresence::Partial;
}

}  // namespace lt260
