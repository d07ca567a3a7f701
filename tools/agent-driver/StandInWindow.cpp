#include "StandInWindow.h"

#include <atomic>
#include <utility>

#include "common/SystemErrorText.h"
#include "platform/win32/Win32Text.h"

namespace lt260::driver {
namespace {

// Ends a stand-in window's loop; only its owner posts it.
constexpr UINT kStandInStop = WM_APP + 0x3F0;

}  // namespace

StandInWindow::StandInWindow(std::wstring title) : title_(std::move(title)) {
  static std::atomic<unsigned> serial{0};
  className_ = L"LT260DriverStandIn" + std::to_wstring(serial++);
}

StandInWindow::~StandInWindow() {
  if (window_ != nullptr) ::PostMessageW(window_, kStandInStop, 0, 0);
  if (thread_.joinable()) thread_.join();
}

bool StandInWindow::Open(std::string& error) {
  if (thread_.joinable()) {
    error = "the stand-in window \"" + win32::Utf8(title_) + "\" is already open";
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  std::unique_lock lock(mutex_);
  opened_.wait(lock, [this] { return openDone_; });
  if (window_ == nullptr) {
    error = openError_;
    return false;
  }
  return true;
}

void StandInWindow::Run() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &StandInWindow::WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className_.c_str();
  HWND window = nullptr;
  std::string problem;
  if (::RegisterClassExW(&windowClass) == 0) {
    problem = "cannot register the class of the stand-in window \"" + win32::Utf8(title_) +
              "\": " + tools::LastErrorText();
  } else {
    // Hidden like the programs it stands for: WS_POPUP and never shown.
    window = ::CreateWindowExW(0, className_.c_str(), title_.c_str(), WS_POPUP, 0, 0, 100, 100,
                               nullptr, nullptr, instance, this);
    if (window == nullptr) {
      problem = "cannot create the stand-in window \"" + win32::Utf8(title_) +
                "\": " + tools::LastErrorText();
    }
  }
  {
    std::lock_guard lock(mutex_);
    window_ = window;
    openError_ = problem;
    openDone_ = true;
  }
  opened_.notify_all();
  if (window == nullptr) return;

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == window && message.message == kStandInStop) {
      ::DestroyWindow(window);
      continue;
    }
    if (message.hwnd == window) {
      Record(message.message, message.wParam, message.lParam, true);
      // A posted WM_DESTROY is only a message; dispatching it would make the
      // window procedure believe its window is going away.
      if (message.message == WM_DESTROY) continue;
    }
    dispatchingPosted_ = message.hwnd == window;
    ::DispatchMessageW(&message);
    dispatchingPosted_ = false;
  }
  ::UnregisterClassW(className_.c_str(), instance);
}

LRESULT CALLBACK StandInWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<StandInWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  // Posted messages were written down by the loop already.
  if (!self->dispatchingPosted_) self->Record(message, wParam, lParam, false);
  switch (message) {
    case WM_CLOSE:
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void StandInWindow::Record(UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
  std::lock_guard lock(mutex_);
  received_.push_back({message, wParam, lParam, posted});
}

std::vector<ReceivedMessage> StandInWindow::Messages() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<ReceivedMessage> StandInWindow::MessagesOf(UINT message) const {
  std::vector<ReceivedMessage> matching;
  std::lock_guard lock(mutex_);
  for (const ReceivedMessage& received : received_) {
    if (received.Message == message) matching.push_back(received);
  }
  return matching;
}

bool StandInWindow::WaitForMessages(UINT message, size_t count, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return MessagesOf(message).size() >= count; }, limit);
}

}  // namespace lt260::driver
