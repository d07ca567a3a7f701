#pragma once

#include <cstdint>
#include <span>

namespace lt260 {

// Reports carry 16-bit values low byte first, whatever the host's byte order.
constexpr uint16_t LoadLe16(std::span<const uint8_t, 2> bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

constexpr void StoreLe16(std::span<uint8_t, 2> bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value & 0xFF);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace lt260
