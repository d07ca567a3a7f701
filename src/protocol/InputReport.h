#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace lt260 {

// The DPI stage an input report announces: the report is 02 00 stage 00 and
// the stage is not 0. Bytes the span does not hold read as zero, and bytes
// past the fourth do not count. Any other stage than 0 is passed on, as the
// Configurator expects: the stage is never an index, and the next load puts a
// stage the mouse cannot have back to its default.
std::optional<int> DpiStageOf(std::span<const uint8_t> report);

}  // namespace lt260
