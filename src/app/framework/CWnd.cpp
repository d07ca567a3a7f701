#include "app/framework/CWnd.h"

#include "app/framework/WindowsMessageIds.h"

namespace lt260 {

CWnd::~CWnd() {
  if (handle_ != 0) windowSystem_.Destroy(handle_);
}

bool CWnd::CreateEx(uint32_t extendedStyle, std::u16string_view title, uint32_t style, int x, int y,
                    int width, int height) {
  return windowSystem_.CreateWindowFor(*this, extendedStyle, title, style, x, y, width, height) !=
         0;
}

void CWnd::SetTitle(std::u16string_view title) { windowSystem_.SetTitle(handle_, title); }

void CWnd::SetExtendedStyle(uint32_t extendedStyle) {
  windowSystem_.SetExtendedStyle(handle_, extendedStyle);
}

void CWnd::DestroyWindow() { windowSystem_.Destroy(handle_); }

bool CWnd::SetTimer(uint64_t timerId, uint32_t milliseconds) {
  return windowSystem_.SetTimer(handle_, timerId, milliseconds);
}

void CWnd::KillTimer(uint64_t timerId) { windowSystem_.KillTimer(handle_, timerId); }

intptr_t CWnd::Default(uint32_t message, uint64_t wParam, int64_t lParam) {
  return windowSystem_.DefaultProcessing(handle_, message, wParam, lParam);
}

intptr_t CWnd::WindowProc(uint32_t message, uint64_t wParam, int64_t lParam) {
  intptr_t result = 0;
  bool handled = false;
  for (const MessageMapEntry& entry : GetMessageMap()) {
    const bool matches =
        entry.Message == message && (message != kWmCommand || entry.Command == (wParam & 0xFFFF));
    if (matches) {
      result = entry.Handle(*this, wParam, lParam);
      handled = true;
      break;
    }
  }
  if (!handled) result = Default(message, wParam, lParam);
  if (message == kWmDestroy && isMainWindow_) windowSystem_.PostQuit(0);
  return result;
}

}  // namespace lt260
