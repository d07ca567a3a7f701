#include "platform/win32/Win32WindowMessages.h"

#include <windows.h>

#include <string>

#include "platform/win32/Win32Text.h"

namespace lt260 {

WindowId Win32WindowMessages::FindWindowByTitle(std::u16string_view title) {
  const std::wstring wideTitle = win32::Wide(title);
  return reinterpret_cast<WindowId>(::FindWindowW(nullptr, wideTitle.c_str()));
}

bool Win32WindowMessages::Post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam) {
  return ::PostMessageW(reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                        static_cast<LPARAM>(lParam)) != FALSE;
}

}  // namespace lt260
