#include "platform/win32/Win32WindowSystem.h"

#include <windows.h>

#include <string>

#include "app/framework/CWnd.h"
#include "platform/win32/Win32Text.h"

namespace lt260 {
namespace {

constexpr wchar_t kWindowClassName[] = L"LT260.FrameworkWindow";

HWND AsHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }

CWnd* TargetOf(HWND window) {
  return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Binds the window to the CWnd named in its creation parameters. False stops
// the creation: a window nobody handles must not exist.
bool Bind(HWND window, const CREATESTRUCTW& creation) {
  auto* target = static_cast<CWnd*>(creation.lpCreateParams);
  if (target == nullptr) return false;
  // The previous value is 0, which is also the failure result; only the
  // last error tells them apart.
  ::SetLastError(ERROR_SUCCESS);
  if (::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target)) == 0 &&
      ::GetLastError() != ERROR_SUCCESS) {
    return false;
  }
  target->AttachHandle(reinterpret_cast<WindowId>(window));
  return true;
}

LRESULT CALLBACK FrameworkWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE && !Bind(window, *reinterpret_cast<CREATESTRUCTW*>(lParam))) {
    return FALSE;
  }
  CWnd* target = TargetOf(window);
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO for some styles) have no
  // CWnd yet.
  if (target == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);

  const intptr_t result =
      target->WindowProc(message, static_cast<uint64_t>(wParam), static_cast<int64_t>(lParam));
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    target->AttachHandle(0);
  }
  return static_cast<LRESULT>(result);
}

// The class is registered once for the process and stays registered: windows
// of it may outlive any one window system object.
bool EnsureWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = 0;
  windowClass.lpfnWndProc = FrameworkWindowProcedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClassName;
  if (::RegisterClassExW(&windowClass) != 0) return true;
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

WindowId Win32WindowSystem::CreateWindowFor(CWnd& target, uint32_t extendedStyle,
                                            std::u16string_view title, uint32_t style, int x, int y,
                                            int width, int height) {
  if (!EnsureWindowClass()) return 0;
  const std::wstring wideTitle = win32::Wide(title);
  HWND window = ::CreateWindowExW(extendedStyle, kWindowClassName, wideTitle.c_str(), style, x, y,
                                  width, height, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                  static_cast<void*>(&target));
  if (window == nullptr) {
    // A window refused by its own WM_CREATE has already been destroyed and
    // detached; this also covers a failure before WM_NCCREATE.
    target.AttachHandle(0);
    return 0;
  }
  return reinterpret_cast<WindowId>(window);
}

intptr_t Win32WindowSystem::DefaultProcessing(WindowId window, uint32_t message, uint64_t wParam,
                                              int64_t lParam) {
  return static_cast<intptr_t>(::DefWindowProcW(
      AsHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

void Win32WindowSystem::SetTitle(WindowId window, std::u16string_view title) {
  const std::wstring wideTitle = win32::Wide(title);
  ::SetWindowTextW(AsHwnd(window), wideTitle.c_str());
}

void Win32WindowSystem::SetExtendedStyle(WindowId window, uint32_t extendedStyle) {
  ::SetWindowLongPtrW(AsHwnd(window), GWL_EXSTYLE, static_cast<LONG_PTR>(extendedStyle));
}

void Win32WindowSystem::Destroy(WindowId window) { ::DestroyWindow(AsHwnd(window)); }

// Without a window the system would make a thread timer instead; none here.
bool Win32WindowSystem::SetTimer(WindowId window, uint64_t timerId, uint32_t milliseconds) {
  if (window == 0) return false;
  return ::SetTimer(AsHwnd(window), static_cast<UINT_PTR>(timerId), milliseconds, nullptr) != 0;
}

void Win32WindowSystem::KillTimer(WindowId window, uint64_t timerId) {
  if (window == 0) return;
  ::KillTimer(AsHwnd(window), static_cast<UINT_PTR>(timerId));
}

int Win32WindowSystem::RunMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return -1;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Win32WindowSystem::PostQuit(int exitCode) { ::PostQuitMessage(exitCode); }

}  // namespace lt260
