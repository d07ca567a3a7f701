#include "platform/win32/Win32CliPlatform.h"

#include "cli/SimMouseSystem.h"
#include "platform/win32/Win32HidBackend.h"
#include "platform/win32/Win32HidSystemCalls.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32Text.h"
// <windows.h> comes with the system calls; the broadcast, SetupAPI and HID
// headers build on it.
#include <dbt.h>
#include <setupapi.h>

// MinGW's HID headers declare C functions without C++ linkage guards.
extern "C" {
#include <hidsdi.h>
}

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace lt260 {
namespace {

// How often the simulated mouse's control file is looked at.
constexpr DWORD kSimControlPollMilliseconds = 50;

// The system's message for `error`, on one line and without its full stop.
std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text ? std::string(text, length) : std::string();
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "system error " + std::to_string(error);
  return message;
}

struct HidDescription {
  uint16_t VendorId = 0;
  uint16_t ProductId = 0;
  HIDP_CAPS Caps{};
};

// Vendor, product and capabilities, through a handle without any access,
// which the system grants even for collections it keeps for itself. Sets
// `error` when the interface cannot be described.
HidDescription Describe(const std::u16string& path, DWORD& error) {
  HidDescription description;
  error = ERROR_SUCCESS;
  HANDLE file = ::CreateFileW(win32::AsWide(path.c_str()), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return description;
  }
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof(attributes);
  if (::HidD_GetAttributes(file, &attributes)) {
    description.VendorId = attributes.VendorID;
    description.ProductId = attributes.ProductID;
  }
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (::HidD_GetPreparsedData(file, &preparsed)) {
    ::HidP_GetCaps(preparsed, &description.Caps);
    ::HidD_FreePreparsedData(preparsed);
  }
  ::CloseHandle(file);
  return description;
}

class Win32MouseSystem final : public MouseSystem {
 public:
  HidBackend& Backend() override { return backend_; }
  DeviceNotices& Notices() override { return backend_; }

  std::vector<InterfaceSummary> MouseInterfaces() override {
    std::vector<InterfaceSummary> summaries;
    for (const std::u16string& path : backend_.EnumerateInterfaces()) {
      DWORD error = ERROR_SUCCESS;
      const HidDescription description = Describe(path, error);
      // An interface that cannot even be described is not known to be the mouse.
      if (error != ERROR_SUCCESS || !IsLT260(description.VendorId, description.ProductId)) {
        continue;
      }
      InterfaceSummary summary;
      summary.Path = path;
      summary.VendorId = description.VendorId;
      summary.ProductId = description.ProductId;
      summary.UsagePage = description.Caps.UsagePage;
      summary.Usage = description.Caps.Usage;
      summary.InputLength = description.Caps.InputReportByteLength;
      summary.OutputLength = description.Caps.OutputReportByteLength;
      summary.FeatureLength = description.Caps.FeatureReportByteLength;
      if (!backend_.Open(path)) {
        const DWORD openError = ::GetLastError();
        summary.Detail = SystemMessage(openError);
        summary.Problem = openError == ERROR_ACCESS_DENIED       ? OpenProblem::PermissionDenied
                          : openError == ERROR_SHARING_VIOLATION ? OpenProblem::Busy
                                                                 : OpenProblem::Other;
        if (summary.Problem == OpenProblem::PermissionDenied) {
          summary.Remedy = "Windows refused access to it";
        }
      }
      summaries.push_back(std::move(summary));
    }
    return summaries;
  }

 private:
  Win32HidBackend backend_;
};

std::atomic<MessageQueue*> consoleQueue{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (MessageQueue* queue = consoleQueue.load()) queue->Post(kCliWindow, kCliQuit, 0, 0);
  return TRUE;
}

LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE &&
      (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
    auto* queue = reinterpret_cast<MessageQueue*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (queue) queue->Post(kCliWindow, kCliDeviceChanged, 0, 0);
    return TRUE;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

class Watchers {
 public:
  Watchers(MessageQueue& queue, SimulatedMouse* mouse) : queue_(queue), mouse_(mouse) {
    stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (const char* control = std::getenv("LT260_SIM_CONTROL"); control && mouse_) {
      simControl_ = control;
      // Only lines appended from now on count, as with a pipe.
      std::ifstream in(simControl_, std::ios::binary | std::ios::ate);
      if (in) simControlOffset_ = in.tellg();
    }
    consoleQueue.store(&queue_);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    thread_ = std::thread([this] { Run(); });
  }
  ~Watchers() {
    ::SetEvent(stop_);
    thread_.join();
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    consoleQueue.store(nullptr);
    ::CloseHandle(stop_);
  }
  Watchers(const Watchers&) = delete;
  Watchers& operator=(const Watchers&) = delete;

 private:
  void Run() {
    HWND window = mouse_ ? nullptr : CreateNoticeWindow();
    HDEVNOTIFY registration = nullptr;
    if (window) {
      DEV_BROADCAST_DEVICEINTERFACE_W filter{};
      filter.dbcc_size = sizeof(filter);
      filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
      ::HidD_GetHidGuid(&filter.dbcc_classguid);
      registration = ::RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    const DWORD timeout = simControl_.empty() ? INFINITE : kSimControlPollMilliseconds;
    for (;;) {
      const DWORD woken = ::MsgWaitForMultipleObjects(1, &stop_, FALSE, timeout, QS_ALLINPUT);
      if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
      if (!simControl_.empty()) PollSimControl();
    }
    if (registration) ::UnregisterDeviceNotification(registration);
    if (window) ::DestroyWindow(window);
  }

  HWND CreateNoticeWindow() {
    static const wchar_t kClassName[] = L"lt260ctl device notices";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = NoticeWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassW(&windowClass);  // fails harmlessly when already registered
    HWND window = ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
    if (window) ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&queue_));
    return window;
  }

  void PollSimControl() {
    std::ifstream in(simControl_, std::ios::binary);
    if (!in) return;
    in.seekg(simControlOffset_);
    std::string appended((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    simControlOffset_ += static_cast<std::streamoff>(appended.size());
    pending_ += appended;
    for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      RunSimControlLine(line, *mouse_, queue_);
    }
  }

  MessageQueue& queue_;
  SimulatedMouse* mouse_;
  HANDLE stop_ = nullptr;
  std::string simControl_;
  std::streamoff simControlOffset_ = 0;
  std::string pending_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<MouseSystem> Win32CliPlatform::OpenMouseSystem(DeviceChoice device,
                                                               WindowMessages& /*notices*/) {
  // Hot-plug notices reach the CLI through the watchers' own window.
  if (device == DeviceChoice::System) return std::make_unique<Win32MouseSystem>();
  return SimMouseSystemFromEnvironment();
}

std::filesystem::path Win32CliPlatform::DefaultSettingsPath() {
  Win32SystemInfo system;
  const auto folder = system.AppDataFolder();
  return (folder ? *folder : std::filesystem::path(".")) / "Quendra" / "LT-260" / "GamingMouse";
}

std::optional<std::string> Win32CliPlatform::VerbUnavailable(Verb verb) {
  if (verb == Verb::Agent) {
    return "agent is for Linux; on Windows the LT-260 Agent keeps the mouse and its settings in "
           "step";
  }
  if (verb == Verb::UdevRule) return "udev-rule is for Linux; Windows needs no device rule";
  return std::nullopt;
}

std::shared_ptr<void> Win32CliPlatform::StartWatchers(MessageQueue& queue, MouseSystem& mouse) {
  auto* simulated = dynamic_cast<SimMouseSystem*>(&mouse);
  return std::make_shared<Watchers>(queue, simulated ? &simulated->Mouse() : nullptr);
}

}  // namespace lt260
