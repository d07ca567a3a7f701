#pragma once

#include <cstdint>
#include <string_view>

#include "ports/WindowMessages.h"

namespace lt260 {

class CWnd;

// What the window framework needs of the platform: creating a window whose
// messages all go to a CWnd, the platform's default processing, the few
// window attributes the Agent changes, and the message loop.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Registers a window class (class style 0, no cursor, brush or icon) and
  // creates a window of it. Every message of the window, kWmCreate during
  // this call included, goes to target.WindowProc; the handle is attached to
  // `target` before the first message. Returns 0 when creation failed.
  virtual WindowId CreateWindowFor(CWnd& target, uint32_t extendedStyle, std::u16string_view title,
                                   uint32_t style, int x, int y, int width, int height) = 0;
  // The platform's own handling of a message the window does not handle.
  virtual intptr_t DefaultProcessing(WindowId window, uint32_t message, uint64_t wParam,
                                     int64_t lParam) = 0;
  virtual void SetTitle(WindowId window, std::u16string_view title) = 0;
  virtual void SetExtendedStyle(WindowId window, uint32_t extendedStyle) = 0;
  virtual void Destroy(WindowId window) = 0;
  // Starts, or starts again from now, the window's timer `timerId`: kWmTimer
  // with that identifier every `milliseconds` until KillTimer. False when the
  // platform has no timer to give.
  virtual bool SetTimer(WindowId window, uint64_t timerId, uint32_t milliseconds) = 0;
  virtual void KillTimer(WindowId window, uint64_t timerId) = 0;

  // Dispatches messages until the quit message; returns its exit code.
  virtual int RunMessageLoop() = 0;
  virtual void PostQuit(int exitCode) = 0;
};

}  // namespace lt260
