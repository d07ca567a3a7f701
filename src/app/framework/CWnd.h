#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "app/framework/WindowSystem.h"

namespace lt260 {

class CWnd;

// One row of a window's message table: a message (and for kWmCommand the
// command in the low word of wParam) and the handler that takes it.
struct MessageMapEntry {
  using Handler = intptr_t (*)(CWnd& window, uint64_t wParam, int64_t lParam);
  uint32_t Message = 0;
  uint32_t Command = 0;  // kWmCommand only; 0 for other messages
  Handler Handle = nullptr;
};

// Builds a table row that calls a handler of the window class:
//   OnMessage<CMyWnd, &CMyWnd::OnReload>(WM_AGENT_RELOAD)
template <typename Window, intptr_t (Window::*Handler)(uint64_t, int64_t)>
constexpr MessageMapEntry OnMessage(uint32_t message, uint32_t command = 0) {
  return MessageMapEntry{message, command, [](CWnd& window, uint64_t wParam, int64_t lParam) {
                           return (static_cast<Window&>(window).*Handler)(wParam, lParam);
                         }};
}

// A window: a platform window whose messages are dispatched through the
// message table of the class, with the platform's default processing for
// everything else. The table is the same whether the platform is real or a
// test's fake, so a test drives the handlers exactly as the system does.
class CWnd {
 public:
  explicit CWnd(WindowSystem& windowSystem) : windowSystem_(windowSystem) {}
  // A window still alive is destroyed with its object, so that no message can
  // reach a deleted object. The derived class is gone by then: the window
  // gets only default processing.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  WindowId GetSafeHwnd() const { return handle_; }

  // Creates the platform window; kWmCreate is handled during the call.
  bool CreateEx(uint32_t extendedStyle, std::u16string_view title, uint32_t style, int x, int y,
                int width, int height);
  void SetTitle(std::u16string_view title);
  void SetExtendedStyle(uint32_t extendedStyle);
  void DestroyWindow();
  // The window's timers (kWmTimer with `timerId`); setting a running timer
  // starts its period again.
  bool SetTimer(uint64_t timerId, uint32_t milliseconds);
  void KillTimer(uint64_t timerId);

  // Every message of the window arrives here: the first matching row of the
  // message table handles it, anything else gets default processing. When
  // the application's main window is destroyed, the message loop ends. A
  // window class overrides it for messages whose numbers are known only at
  // run time, and passes the rest on.
  virtual intptr_t WindowProc(uint32_t message, uint64_t wParam, int64_t lParam);

  // Set by the window system before the first message.
  void AttachHandle(WindowId handle) { handle_ = handle; }
  // The application's main window ends the message loop when destroyed.
  void SetMainWindow(bool isMain) { isMainWindow_ = isMain; }

 protected:
  virtual std::span<const MessageMapEntry> GetMessageMap() const { return {}; }
  // The platform's default processing of the message being handled.
  intptr_t Default(uint32_t message, uint64_t wParam, int64_t lParam);
  WindowSystem& Windows() { return windowSystem_; }

 private:
  WindowSystem& windowSystem_;
  WindowId handle_ = 0;
  bool isMainWindow_ = false;
};

}  // namespace lt260
