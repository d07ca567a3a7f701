#include "platform/win32/Win32PopupMenu.h"

#include <windows.h>

#include <string>

#include "platform/win32/Win32Text.h"

namespace lt260 {

void Win32PopupMenu::Track(WindowId owner, const std::vector<MenuItem>& items) {
  HWND window = reinterpret_cast<HWND>(owner);
  // The system may refuse the foreground; the menu is shown all the same.
  HWND popup = ::GetLastActivePopup(window);
  ::SetForegroundWindow(popup != nullptr ? popup : window);

  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  for (const MenuItem& item : items) {
    const std::wstring text = win32::Wide(item.Text);
    if (!::AppendMenuW(menu, MF_STRING, item.Command, text.c_str())) {
      ::DestroyMenu(menu);
      return;
    }
  }
  // Without a cursor position the menu opens at the screen's corner rather
  // than not at all.
  POINT cursor{};
  if (!::GetCursorPos(&cursor)) cursor = POINT{0, 0};
  ::TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, window, nullptr);
  ::DestroyMenu(menu);
}

}  // namespace lt260
