#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace lt260 {

inline constexpr uint8_t kCommandReportId = 0x06;
inline constexpr std::size_t kCommandReportLength = 8;
// The one command the Agent sends, a 32-bit little-endian value after the ID.
inline constexpr uint32_t kDeviceCommand = 0x5A;

using CommandReportBytes = std::array<uint8_t, kCommandReportLength>;

// Feature report 6: the ID, the command in bytes 1 to 4, then zeros.
CommandReportBytes BuildCommandReport();

}  // namespace lt260
