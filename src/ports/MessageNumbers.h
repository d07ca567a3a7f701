#pragma once

#include <cstdint>

namespace lt260 {

// Window titles and message numbers shared with the Configurator and the
// on-screen display. Windows are found by title; classes are nobody's business.
inline constexpr char16_t kAgentWindowTitle[] = u"Quendra_LT-260_Hid";
inline constexpr char16_t kConfiguratorWindowTitle[] = u"Quendra LT-260";
inline constexpr char16_t kOsdWindowTitle[] = u"OSDMain";

inline constexpr uint32_t kWmUser = 0x400;

// To the agent window.
inline constexpr uint32_t WM_AGENT_RELOAD = kWmUser + 0xFF;
inline constexpr uint32_t WM_AGENT_DPI_STAGE = kWmUser + 0x100;
inline constexpr uint32_t WM_AGENT_DEVICE_COMMAND = kWmUser + 0x101;
inline constexpr uint32_t WM_AGENT_TRAY_NOTIFY = kWmUser + 0x65;
inline constexpr uint32_t ID_TRAY_OPEN = 6001;
inline constexpr uint32_t ID_TRAY_HIDE = 6002;

// To the Configurator.
inline constexpr uint32_t WM_CFG_SYNC_DONE = 0x505;
inline constexpr uint32_t WM_CFG_DPI_STAGE = 0x506;
inline constexpr uint32_t WM_CFG_DEVICE_ABSENT = 0x915;
inline constexpr uint64_t kDeviceAbsentWParam = 0x917;

}  // namespace lt260
