#include "protocol/InputReport.h"

#include <array>
#include <cstddef>

#include "protocol/DeviceIdentity.h"

namespace lt260 {

std::optional<int> DpiStageOf(std::span<const uint8_t> report) {
  std::array<uint8_t, kInputReportLength> first{};
  for (std::size_t i = 0; i < first.size() && i < report.size(); ++i) first[i] = report[i];
  const bool isStageReport = first[0] == kInputReportId && first[1] == 0x00 && first[3] == 0x00;
  if (!isStageReport || first[2] == 0) return std::nullopt;
  return first[2];
}

}  // namespace lt260
