#pragma once

#include <cstdint>

namespace lt260 {

// The platform's own message numbers and constants the Agent handles or uses,
// written out so that code above the platform layer needs no system header.
inline constexpr uint32_t WM_NULL = 0x0000;
inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr uint32_t WM_WTSSESSION_CHANGE = 0x02B1;

// Device-change events (the wParam of WM_DEVICECHANGE) handled apart.
inline constexpr uint64_t DBT_DEVICEQUERYREMOVE = 0x8001;
inline constexpr uint64_t DBT_DEVICEQUERYREMOVEFAILED = 0x8002;

inline constexpr uint32_t WS_POPUP = 0x80000000u;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080u;

inline constexpr uint64_t WTS_CONSOLE_CONNECT = 1;
inline constexpr uint64_t WTS_CONSOLE_DISCONNECT = 2;
inline constexpr uint64_t WTS_SESSION_LOCK = 7;
inline constexpr uint64_t WTS_SESSION_UNLOCK = 8;

}  // namespace lt260
