#include "platform/win32/Win32SessionNotifications.h"

#include <windows.h>
// <windows.h> first: the terminal-services header builds on it.
#include <wtsapi32.h>

namespace lt260 {

bool Win32SessionNotifications::Register(WindowId window) {
  return ::WTSRegisterSessionNotification(reinterpret_cast<HWND>(window),
                                          NOTIFY_FOR_THIS_SESSION) != FALSE;
}

void Win32SessionNotifications::Unregister(WindowId window) {
  ::WTSUnRegisterSessionNotification(reinterpret_cast<HWND>(window));
}

}  // namespace lt260
