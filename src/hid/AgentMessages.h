#pragma once

#include <cstdint>

namespace lt260 {

// Posted by the input listener to the agent window when the mouse's DPI button
// switches stage: wParam is the new stage, lParam 0.
inline constexpr uint32_t WM_AGENT_DPI_STAGE = 0x500;

}  // namespace lt260
