#include "protocol/CommandReport.h"

namespace lt260 {

CommandReportBytes BuildCommandReport() {
  CommandReportBytes report{};
  report[0] = kCommandReportId;
  for (std::size_t i = 0; i < 4; ++i) {
    report[1 + i] = static_cast<uint8_t>((kDeviceCommand >> (8 * i)) & 0xFF);
  }
  return report;
}

}  // namespace lt260
