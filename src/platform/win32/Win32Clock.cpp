#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace lt260 {

uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace lt260
