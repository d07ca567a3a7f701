#include "platform/win32/Win32SystemParameters.h"

#include <windows.h>

#include <cstdint>

namespace lt260 {

static_assert(kWheelPageScroll == WHEEL_PAGESCROLL);

bool Win32SystemParameters::SetDoubleClickTime(uint32_t milliseconds) {
  return ::SetDoubleClickTime(milliseconds) != FALSE;
}

// The pointer settings take effect and are announced at once; they are not
// written to the user profile, whose values the Agent writes itself.
bool Win32SystemParameters::SetMouse(int32_t threshold1, int32_t threshold2, int32_t acceleration) {
  int triple[3] = {threshold1, threshold2, acceleration};
  return ::SystemParametersInfoW(SPI_SETMOUSE, 0, triple, SPIF_SENDCHANGE) != FALSE;
}

// The speed travels in the pointer argument itself, not through a buffer.
bool Win32SystemParameters::SetMouseSpeed(uint32_t speed) {
  void* value = reinterpret_cast<void*>(static_cast<uintptr_t>(speed));
  return ::SystemParametersInfoW(SPI_SETMOUSESPEED, 0, value, SPIF_SENDCHANGE) != FALSE;
}

// Stored in the user profile, but not announced: programs read the wheel
// lines when they scroll.
bool Win32SystemParameters::SetWheelScrollLines(uint32_t lines) {
  return ::SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, lines, nullptr, SPIF_UPDATEINIFILE) !=
         FALSE;
}

uint32_t Win32SystemParameters::LastError() { return ::GetLastError(); }

}  // namespace lt260
