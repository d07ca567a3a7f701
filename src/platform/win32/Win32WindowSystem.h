#pragma once

#include <cstdint>
#include <string_view>

#include "app/framework/WindowSystem.h"

namespace lt260 {

// Real windows for the framework: one window class for every CWnd, whose
// window procedure hands each message to the CWnd the window was created for.
//
// The CWnd travels as the creation parameter and is kept in the window's user
// data from WM_NCCREATE on, so WM_CREATE already finds its handle attached.
// After WM_NCDESTROY, the last message a window gets, the CWnd is detached:
// its handle reads 0 again and nothing of the dead window reaches it.
class Win32WindowSystem final : public WindowSystem {
 public:
  WindowId CreateWindowFor(CWnd& target, uint32_t extendedStyle, std::u16string_view title,
                           uint32_t style, int x, int y, int width, int height) override;
  intptr_t DefaultProcessing(WindowId window, uint32_t message, uint64_t wParam,
                             int64_t lParam) override;
  void SetTitle(WindowId window, std::u16string_view title) override;
  void SetExtendedStyle(WindowId window, uint32_t extendedStyle) override;
  void Destroy(WindowId window) override;
  bool SetTimer(WindowId window, uint64_t timerId, uint32_t milliseconds) override;
  void KillTimer(WindowId window, uint64_t timerId) override;
  // Returns the quit code, or -1 when the system could not deliver messages.
  int RunMessageLoop() override;
  void PostQuit(int exitCode) override;
};

}  // namespace lt260
