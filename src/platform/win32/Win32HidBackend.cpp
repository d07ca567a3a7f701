#include "platform/win32/Win32HidBackend.h"

#include "platform/win32/Win32HidSystemCalls.h"
#include "platform/win32/Win32Text.h"
// <windows.h> comes with the system calls.
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

// The errors a read or a transfer ends with once the device has been
// detached. Any other failure may pass: a read is tried again, a transfer is
// refused.
bool IsDeviceGone(DWORD error) {
  switch (error) {
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

class Win32HidDevice final : public HidDevice {
 public:
  // Takes ownership of both handles. `readable`: the file was opened with
  // read access.
  Win32HidDevice(const Win32HidSystemCalls& calls, HANDLE file, HANDLE cancelEvent, bool readable)
      : calls_(calls), file_(file), cancelEvent_(cancelEvent), readable_(readable) {
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

  TransferResult SetFeature(std::span<const uint8_t> report) override {
    if (!FitsFeature(report.size())) return TransferOutcome::WrongLength;
    // HidD_SetFeature takes a writable buffer although it only reads it.
    std::vector<uint8_t> copy(report.begin(), report.end());
    return Transferred(::HidD_SetFeature(file_, copy.data(), ClampedLength(copy.size())));
  }

  TransferResult GetFeature(std::span<uint8_t> report) override {
    if (!FitsFeature(report.size())) return TransferOutcome::WrongLength;
    return Transferred(::HidD_GetFeature(file_, report.data(), ClampedLength(report.size())));
  }

  InputRead ReadInput(std::span<uint8_t> buffer) override {
    if (Cancelled()) return InputRead::Ended(ReadOutcome::Cancelled);
    if (buffer.empty() || !readable_) return InputRead::Ended(ReadOutcome::Failed);
    HANDLE readDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (readDone == nullptr) return InputRead::Ended(ReadOutcome::Failed);
    OVERLAPPED overlapped{};
    overlapped.hEvent = readDone;
    DWORD bytesRead = 0;
    bool completed = false;
    DWORD error = ERROR_SUCCESS;
    if (calls_.ReadDevice(file_, buffer.data(), ClampedLength(buffer.size()), nullptr,
                          &overlapped)) {
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
    if (!completed) error = ::GetLastError();
    ::CloseHandle(readDone);
    if (Cancelled()) return InputRead::Ended(ReadOutcome::Cancelled);
    if (!completed) {
      return InputRead::Ended(IsDeviceGone(error) ? ReadOutcome::DeviceGone : ReadOutcome::Failed);
    }
    return InputRead::Report(
        static_cast<int>(std::min<DWORD>(bytesRead, static_cast<DWORD>(buffer.size()))));
  }

  void CancelRead() override { ::SetEvent(cancelEvent_); }
  bool CanRead() const override { return readable_; }

  HANDLE File() const { return file_; }

 private:
  bool Cancelled() const { return ::WaitForSingleObject(cancelEvent_, 0) == WAIT_OBJECT_0; }

  bool FitsFeature(std::size_t size) const {
    return size != 0 && size == static_cast<std::size_t>(featureReportLength_);
  }

  // What a HidD_SetFeature or HidD_GetFeature call's result means.
  static TransferResult Transferred(BOOLEAN succeeded) {
    if (succeeded) return TransferOutcome::Done;
    return IsDeviceGone(::GetLastError()) ? TransferOutcome::Gone : TransferOutcome::Refused;
  }

  const Win32HidSystemCalls& calls_;
  HANDLE file_;
  HANDLE cancelEvent_;
  const bool readable_;
  uint16_t vendorId_ = 0;
  uint16_t productId_ = 0;
  int inputReportLength_ = 0;
  int featureReportLength_ = 0;
};

const Win32HidSystemCalls kSystemCalls{};

}  // namespace

Win32HidBackend::Win32HidBackend(const Win32HidSystemCalls* calls)
    : calls_(calls != nullptr ? *calls : kSystemCalls) {}

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
    paths.push_back(win32::FromWide(detail->DevicePath));
  }
  ::SetupDiDestroyDeviceInfoList(list);
  return paths;
}

std::unique_ptr<HidDevice> Win32HidBackend::Open(const std::u16string& path) {
  if (path.empty()) return nullptr;
  const wchar_t* name = win32::AsWide(path.c_str());
  const auto open = [&](DWORD access) {
    return calls_.OpenDevice(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  };
  bool readable = true;
  HANDLE file = open(GENERIC_READ | GENERIC_WRITE);
  if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    // A collection the system holds exclusively: no access at all is still
    // granted, and enough for the capabilities and feature reports.
    file = open(0);
    readable = false;
  }
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE cancelEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (cancelEvent == nullptr) {
    ::CloseHandle(file);
    return nullptr;
  }
  return std::make_unique<Win32HidDevice>(calls_, file, cancelEvent, readable);
}

uintptr_t Win32HidBackend::WatchInterfaces(WindowId window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = HidInterfaceClass();
  HDEVNOTIFY registration = ::RegisterDeviceNotificationW(reinterpret_cast<HWND>(window), &filter,
                                                          DEVICE_NOTIFY_WINDOW_HANDLE);
  return reinterpret_cast<uintptr_t>(registration);
}

uintptr_t Win32HidBackend::WatchRemoval(const HidDevice& device, WindowId window) {
  const auto* opened = dynamic_cast<const Win32HidDevice*>(&device);
  if (opened == nullptr) return 0;
  DEV_BROADCAST_HANDLE filter{};
  filter.dbch_size = sizeof(filter);
  filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
  filter.dbch_handle = opened->File();
  return reinterpret_cast<uintptr_t>(::RegisterDeviceNotificationW(
      reinterpret_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

void Win32HidBackend::EndWatch(uintptr_t watch) {
  if (watch != 0) ::UnregisterDeviceNotification(reinterpret_cast<HDEVNOTIFY>(watch));
}

uintptr_t Win32HidBackend::WatchOfNotice(int64_t notice) const {
  // The notice is the DEV_BROADCAST_HDR the system passes with the message,
  // valid while the message is handled.
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(static_cast<intptr_t>(notice));
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_HANDLE) return 0;
  constexpr std::size_t kNeeded =
      offsetof(DEV_BROADCAST_HANDLE, dbch_hdevnotify) + sizeof(HDEVNOTIFY);
  if (header->dbch_size < kNeeded) return 0;
  const auto* handleNotice = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(header);
  return reinterpret_cast<uintptr_t>(handleNotice->dbch_hdevnotify);
}

}  // namespace lt260
