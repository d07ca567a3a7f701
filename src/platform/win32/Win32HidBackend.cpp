#include "platform/win32/Win32HidBackend.h"

#include <windows.h>
// <windows.h> first: the SetupAPI, HID and broadcast headers build on it.
#include <dbt.h>
#include <setupapi.h>

// MinGW's HID headers declare C functions without C++ linkage guards.
// <hidsdi.h> brings in the usage types and <hidpi.h> in the order they need.
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstddef>

// The port's operation shares its name with a Windows macro that would rename
// our member; the Windows function is called by its wide name below.
#undef RegisterDeviceNotification

namespace lt260 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

GUID HidInterfaceClass() {
  GUID hidClass{};
  ::HidD_GetHidGuid(&hidClass);
  return hidClass;
}

DWORD ClampedLength(std::size_t size) {
  return static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
}

class Win32HidDevice final : public HidDevice {
 public:
  // Takes ownership of both handles.
  Win32HidDevice(HANDLE file, HANDLE cancelEvent) : file_(file), cancelEvent_(cancelEvent) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (::HidD_GetPreparsedData(file_, &preparsed)) {
      HIDP_CAPS caps{};
      if (::HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
        inputReportLength_ = caps.InputReportByteLength;
        featureReportLength_ = caps.FeatureReportByteLength;
      }
      ::HidD_FreePreparsedData(preparsed);
    }
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (::HidD_GetAttributes(file_, &attributes)) {
      vendorId_ = attributes.VendorID;
      productId_ = attributes.ProductID;
    }
  }

  ~Win32HidDevice() override {
    CancelRead();
    ::CloseHandle(file_);
    ::CloseHandle(cancelEvent_);
  }

  Win32HidDevice(const Win32HidDevice&) = delete;
  Win32HidDevice& operator=(const Win32HidDevice&) = delete;

  uint16_t VendorId() const override { return vendorId_; }
  uint16_t ProductId() const override { return productId_; }
  int InputReportLength() const override { return inputReportLength_; }
  int FeatureReportLength() const override { return featureReportLength_; }

  bool SetFeature(std::span<const uint8_t> report) override {
    // HidD_SetFeature takes a writable buffer although it only reads it.
    std::vector<uint8_t> copy(report.begin(), report.end());
    return copy.empty() ? false
                        : ::HidD_SetFeature(file_, copy.data(), ClampedLength(copy.size())) != 0;
  }

  bool GetFeature(std::span<uint8_t> report) override {
    if (report.empty()) return false;
    return ::HidD_GetFeature(file_, report.data(), ClampedLength(report.size())) != 0;
  }

  int ReadInput(std::span<uint8_t> buffer) override {
    if (buffer.empty() || Cancelled()) return 0;
    HANDLE readDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (readDone == nullptr) return 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = readDone;
    DWORD bytesRead = 0;
    bool completed = false;
    if (::ReadFile(file_, buffer.data(), ClampedLength(buffer.size()), nullptr, &overlapped)) {
      completed = ::GetOverlappedResult(file_, &overlapped, &bytesRead, FALSE) != 0;
    } else if (::GetLastError() == ERROR_IO_PENDING) {
      // The cancel event comes first, so a cancel that races a completing read
      // still wins: a cancelled device reports nothing more.
      const HANDLE waits[] = {cancelEvent_, readDone};
      const DWORD woken = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
      if (woken != WAIT_OBJECT_0 + 1) {
        ::CancelIoEx(file_, &overlapped);
      }
      // Waiting here, also after a cancel, means the system has let go of the
      // buffer and the overlapped record before either leaves this frame.
      completed = ::GetOverlappedResult(file_, &overlapped, &bytesRead, TRUE) != 0;
    }
    ::CloseHandle(readDone);
    if (!completed || Cancelled()) return 0;
    return static_cast<int>(std::min<DWORD>(bytesRead, static_cast<DWORD>(buffer.size())));
  }

  void CancelRead() override { ::SetEvent(cancelEvent_); }

 private:
  bool Cancelled() const { return ::WaitForSingleObject(cancelEvent_, 0) == WAIT_OBJECT_0; }

  HANDLE file_;
  HANDLE cancelEvent_;
  uint16_t vendorId_ = 0;
  uint16_t productId_ = 0;
  int inputReportLength_ = 0;
  int featureReportLength_ = 0;
};

}  // namespace

std::vector<std::u16string> Win32HidBackend::EnumerateInterfaces() {
  std::vector<std::u16string> paths;
  GUID hidClass = HidInterfaceClass();
  HDEVINFO list =
      ::SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) return paths;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!::SetupDiEnumDeviceInterfaces(list, nullptr, &hidClass, index, &interfaceData)) break;
    DWORD requiredSize = 0;
    ::SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, nullptr, 0, &requiredSize, nullptr);
    if (requiredSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    // Whole detail records keep the buffer aligned for the record's fields.
    std::vector<SP_DEVICE_INTERFACE_DETAIL_DATA_W> storage(
        (requiredSize + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) - 1) /
        sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));
    auto* detail = storage.data();
    // The size field names the fixed part of the record, not the buffer.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!::SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, detail, requiredSize, nullptr,
                                            nullptr)) {
      continue;
    }
    paths.emplace_back(reinterpret_cast<const char16_t*>(detail->DevicePath));
  }
  ::SetupDiDestroyDeviceInfoList(list);
  return paths;
}

std::unique_ptr<HidDevice> Win32HidBackend::Open(const std::u16string& path) {
  if (path.empty()) return nullptr;
  HANDLE file = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()),
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE cancelEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (cancelEvent == nullptr) {
    ::CloseHandle(file);
    return nullptr;
  }
  return std::make_unique<Win32HidDevice>(file, cancelEvent);
}

uintptr_t Win32HidBackend::RegisterDeviceNotification(WindowId window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = HidInterfaceClass();
  HDEVNOTIFY registration = ::RegisterDeviceNotificationW(reinterpret_cast<HWND>(window), &filter,
                                                          DEVICE_NOTIFY_WINDOW_HANDLE);
  return reinterpret_cast<uintptr_t>(registration);
}

void Win32HidBackend::UnregisterDeviceNotification(uintptr_t registration) {
  if (registration != 0) {
    ::UnregisterDeviceNotification(reinterpret_cast<HDEVNOTIFY>(registration));
  }
}

}  // namespace lt260
