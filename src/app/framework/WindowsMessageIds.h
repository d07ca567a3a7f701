#pragma once

#include <cstdint>

namespace lt260 {

// The platform's own message numbers and constants the Agent handles or uses,
// written out so that code above the platform layer needs no system header.
inline constexpr uint32_t kWmNull = 0x0000;
inline constexpr uint32_t kWmCreate = 0x0001;
inline constexpr uint32_t kWmDestroy = 0x0002;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kWmTimer = 0x0113;
inline constexpr uint32_t kWmLeftButtonDoubleClick = 0x0203;
inline constexpr uint32_t kWmRightButtonDown = 0x0204;
inline constexpr uint32_t kWmDeviceChange = 0x0219;
inline constexpr uint32_t kWmSessionChange = 0x02B1;

// Device-change events (the wParam of kWmDeviceChange): a change of the
// device tree, which names no device, and the events about one device.
inline constexpr uint64_t kDeviceNodesChanged = 0x0007;
inline constexpr uint64_t kDeviceArrival = 0x8000;
inline constexpr uint64_t kDeviceQueryRemove = 0x8001;
inline constexpr uint64_t kDeviceQueryRemoveFailed = 0x8002;
inline constexpr uint64_t kDeviceRemoveComplete = 0x8004;

inline constexpr uint32_t kPopupWindowStyle = 0x80000000u;
inline constexpr uint32_t kToolWindowExStyle = 0x00000080u;

inline constexpr uint64_t kSessionConsoleConnect = 1;
inline constexpr uint64_t kSessionConsoleDisconnect = 2;
inline constexpr uint64_t kSessionLock = 7;
inline constexpr uint64_t kSessionUnlock = 8;

}  // namespace lt260
