#include "VirtualMouse.h"

#include <windows.h>
// <windows.h> first: the SetupAPI, HID and driver-update headers build on it.
#include <newdev.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <string_view>
#include <thread>

#include "driver/VirtualMouseProtocol.h"
#include "platform/win32/Win32Text.h"
#include "protocol/ButtonReport.h"
#include "protocol/SettingsReport.h"
#include "sim/TransferTrace.h"

namespace lt260::vmouse {
namespace {

using namespace std::chrono_literals;

// How long the system may take to bring a plugged device's HID interface up
// or down. It takes milliseconds, but the first driver load of a new prefix
// on a busy machine has taken seconds; this only bounds a failure.
constexpr auto kDeviceChangeLimit = 30s;

const GUID kSystemClass = {
    0x4d36e97d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The hex digits that follow `key` in `id`, as a number; -1 without them.
constexpr long HexAfter(std::wstring_view id, std::wstring_view key) {
  const std::size_t at = id.find(key);
  if (at == std::wstring_view::npos || at + key.size() + 4 > id.size()) return -1;
  long value = 0;
  for (wchar_t c : id.substr(at + key.size(), 4)) {
    const int digit = c >= L'0' && c <= L'9'   ? c - L'0'
                      : c >= L'A' && c <= L'F' ? c - L'A' + 10
                      : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                               : -1;
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

constexpr bool NamesTheSecondIds(std::wstring_view id) {
  return HexAfter(id, L"VID_") == kSecondVendorId && HexAfter(id, L"PID_") == kSecondProductId;
}

static_assert(NamesTheSecondIds(VIRTUAL_MOUSE_INPUT_ID));
static_assert(NamesTheSecondIds(VIRTUAL_MOUSE_SETTINGS_ID));
static_assert(NamesTheSecondIds(VIRTUAL_MOUSE_BUTTONS_ID));
static_assert(NamesTheSecondIds(VIRTUAL_MOUSE_COMMAND_ID));

// The mouse's interfaces are plugged one device at a time, in the order of
// their interface numbers, and unplugged in the same order: each step is a
// notice of its own, a fraction of a second after the last, as the
// collections of a real mouse come and go one by one. The Agent must wait
// for the mouse to be whole, or wholly gone, before it acts.
const std::vector<const wchar_t*> kPlugOrder = {VIRTUAL_MOUSE_INPUT_ID, VIRTUAL_MOUSE_SETTINGS_ID,
                                                VIRTUAL_MOUSE_BUTTONS_ID, VIRTUAL_MOUSE_COMMAND_ID};
const std::vector<const wchar_t*>& kUnplugOrder = kPlugOrder;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// "root\VID_1B80&PID_B412&MI_00" is device instance "root\...\0", whose HID
// interface path carries "#vid_1b80&pid_b412&mi_00#" (in either case; the
// instance part after it differs between systems and is never read).
std::wstring InstanceId(const wchar_t* hardwareId) { return std::wstring(hardwareId) + L"\\0"; }

std::wstring PathMark(const wchar_t* hardwareId) {
  std::wstring id = Lower(hardwareId);
  return L"#" + id.substr(id.find(L'\\') + 1) + L"#";
}

std::wstring FindInterface(const wchar_t* hardwareId) {
  const std::wstring mark = PathMark(hardwareId);
  for (const std::wstring& path : HidInterfacePaths()) {
    if (Lower(path).find(mark) != std::wstring::npos) return path;
  }
  return {};
}

// Whether the interface is listed and, as far as the system goes, ready: the
// list can name an interface a moment before it can be opened.
bool InterfaceReady(const wchar_t* hardwareId) {
  const std::wstring path = FindInterface(hardwareId);
  if (path.empty()) return false;
  HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

bool WaitForInterfaces(const std::vector<const wchar_t*>& hardwareIds, bool present) {
  const auto end = std::chrono::steady_clock::now() + kDeviceChangeLimit;
  for (;;) {
    bool done = std::all_of(hardwareIds.begin(), hardwareIds.end(), [&](const wchar_t* id) {
      return present ? InterfaceReady(id) : FindInterface(id).empty();
    });
    if (done) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
}

bool DeviceExists(const wchar_t* hardwareId) {
  HDEVINFO set = ::SetupDiCreateDeviceInfoList(nullptr, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  const bool exists =
      ::SetupDiOpenDeviceInfoW(set, InstanceId(hardwareId).c_str(), nullptr, 0, &data) != 0;
  ::SetupDiDestroyDeviceInfoList(set);
  return exists;
}

// The control interface, open for transfers; INVALID_HANDLE_VALUE with a
// reason when it is not there.
HANDLE OpenControl(std::string& error) {
  const std::wstring path = FindInterface(VIRTUAL_MOUSE_CONTROL_ID);
  if (path.empty()) {
    error =
        "the virtual mouse is not installed in this prefix (no control interface); run "
        "\"lt260-virtual-mouse install\"";
    return INVALID_HANDLE_VALUE;
  }
  HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    error = "cannot open the control interface: " + SystemErrorText(code);
    // Listed but gone: what a dead driver host (winedevice.exe) leaves behind,
    // until "wineserver -k" restarts it.
    if (code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND) {
      error += "; the driver's host process has probably died";
    }
  }
  return file;
}

}  // namespace

std::vector<std::wstring> HidInterfacePaths() {
  std::vector<std::wstring> paths;
  GUID hidClass{};
  ::HidD_GetHidGuid(&hidClass);
  HDEVINFO list =
      ::SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) return paths;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof interfaceData;
    if (!::SetupDiEnumDeviceInterfaces(list, nullptr, &hidClass, index, &interfaceData)) break;
    DWORD size = 0;
    ::SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    std::vector<SP_DEVICE_INTERFACE_DETAIL_DATA_W> storage(
        (size + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) - 1) /
        sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));
    storage[0].cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (::SetupDiGetDeviceInterfaceDetailW(list, &interfaceData, storage.data(), size, nullptr,
                                           nullptr)) {
      paths.emplace_back(storage[0].DevicePath);
    }
  }
  ::SetupDiDestroyDeviceInfoList(list);
  return paths;
}

VirtualMouse::VirtualMouse(std::filesystem::path folder) : folder_(std::move(folder)) {}

bool VirtualMouse::CreateDevices(const std::vector<const wchar_t*>& hardwareIds,
                                 std::string& error) {
  const std::filesystem::path inf = folder_ / kInfFile;
  for (const wchar_t* id : hardwareIds) {
    if (!DeviceExists(id)) {
      HDEVINFO set = ::SetupDiCreateDeviceInfoList(&kSystemClass, nullptr);
      if (set == INVALID_HANDLE_VALUE) {
        error = "cannot make a device list: " + SystemErrorText(::GetLastError());
        return false;
      }
      SP_DEVINFO_DATA data{};
      data.cbSize = sizeof data;
      std::wstring ids = std::wstring(id) + L'\0' + L'\0';
      const char* step = nullptr;
      if (!::SetupDiCreateDeviceInfoW(set, InstanceId(id).c_str(), &kSystemClass, nullptr, nullptr,
                                      0, &data)) {
        step = "create";
      } else if (!::SetupDiSetDeviceRegistryPropertyW(
                     set, &data, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids.data()),
                     static_cast<DWORD>(ids.size() * sizeof(wchar_t)))) {
        step = "name";
      } else if (!::SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &data)) {
        step = "register";
      }
      const DWORD code = ::GetLastError();
      ::SetupDiDestroyDeviceInfoList(set);
      if (step != nullptr) {
        error = std::string("cannot ") + step + " the device " + win32::Utf8(id) + ": " +
                SystemErrorText(code);
        return false;
      }
    }
    BOOL reboot = FALSE;
    if (!::UpdateDriverForPlugAndPlayDevicesW(nullptr, id, inf.wstring().c_str(), INSTALLFLAG_FORCE,
                                              &reboot)) {
      error = "cannot install the driver from " + win32::Utf8(inf.wstring()) + " for " +
              win32::Utf8(id) + ": " + SystemErrorText(::GetLastError());
      return false;
    }
  }
  if (!WaitForInterfaces(hardwareIds, true)) {
    error =
        "the devices were created but their HID interfaces were not ready within 30 s (did "
        "the driver load? WINEDEBUG=+hid,+plugplay tells)";
    return false;
  }
  return true;
}

bool VirtualMouse::RemoveDevices(const std::vector<const wchar_t*>& hardwareIds,
                                 std::string& error) {
  for (const wchar_t* id : hardwareIds) {
    HDEVINFO set = ::SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
      error = "cannot make a device list: " + SystemErrorText(::GetLastError());
      return false;
    }
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    bool removed = true;
    if (::SetupDiOpenDeviceInfoW(set, InstanceId(id).c_str(), nullptr, 0, &data)) {
      removed = ::SetupDiCallClassInstaller(DIF_REMOVE, set, &data) != 0;
    }
    const DWORD code = ::GetLastError();
    ::SetupDiDestroyDeviceInfoList(set);
    if (!removed) {
      error = "cannot remove the device " + win32::Utf8(id) + ": " + SystemErrorText(code);
      return false;
    }
  }
  if (!WaitForInterfaces(hardwareIds, false)) {
    error = "the devices were removed but their HID interfaces were still there after 30 s";
    return false;
  }
  return true;
}

bool VirtualMouse::Install(std::string& error) {
  for (const wchar_t* file : {kDriverFile, kInfFile}) {
    if (!std::filesystem::is_regular_file(folder_ / file)) {
      error = "no " + win32::Utf8(file) + " in " + win32::Utf8(folder_.wstring()) +
              " (the driver, its INF and this program belong in one folder)";
      return false;
    }
  }
  std::vector<const wchar_t*> all = kUnplugOrder;
  all.push_back(VIRTUAL_OTHER_DEVICE_ID);
  all.push_back(VIRTUAL_MOUSE_CONTROL_ID);
  if (!RemoveDevices(all, error)) return false;
  if (!CreateDevices({VIRTUAL_MOUSE_CONTROL_ID}, error)) return false;

  const ProfileSetting profile = DefaultProfileSetting();
  const SettingsReportBytes settings = BuildSettingsReport(profile);
  const ButtonReportBytes buttons = BuildButtonReport(profile);
  std::vector<std::string> stale;
  if (!Refuse(0, error) || !Hold({settings.begin(), settings.end()}, error) ||
      !Hold({buttons.begin(), buttons.end()}, error)) {
    return false;
  }
  // What an earlier installation left in the driver's trace is not news.
  TakeTrace(stale, error);
  error.clear();
  return CreateDevices(kPlugOrder, error);
}

bool VirtualMouse::Uninstall(std::string& error) {
  std::vector<const wchar_t*> all = kUnplugOrder;
  all.push_back(VIRTUAL_OTHER_DEVICE_ID);
  all.push_back(VIRTUAL_MOUSE_CONTROL_ID);
  return RemoveDevices(all, error);
}

bool VirtualMouse::PluggedIn() const {
  return std::all_of(kPlugOrder.begin(), kPlugOrder.end(),
                     [](const wchar_t* id) { return !FindInterface(id).empty(); });
}

bool VirtualMouse::Installed(std::string& error) const {
  if (!FindInterface(VIRTUAL_MOUSE_CONTROL_ID).empty()) return true;
  error =
      "the virtual mouse is not installed in this prefix; run \"lt260-virtual-mouse "
      "install\"";
  return false;
}

bool VirtualMouse::Plug(bool& changed, std::string& error) {
  changed = false;
  if (!Installed(error)) return false;
  if (PluggedIn()) return true;
  changed = true;
  return CreateDevices(kPlugOrder, error);
}

bool VirtualMouse::Unplug(bool& changed, std::string& error) {
  changed = std::any_of(kUnplugOrder.begin(), kUnplugOrder.end(),
                        [](const wchar_t* id) { return DeviceExists(id); });
  return !changed || RemoveDevices(kUnplugOrder, error);
}

bool VirtualMouse::PlugOther(bool& changed, std::string& error) {
  changed = false;
  if (!Installed(error)) return false;
  if (!FindInterface(VIRTUAL_OTHER_DEVICE_ID).empty()) return true;
  changed = true;
  return CreateDevices({VIRTUAL_OTHER_DEVICE_ID}, error);
}

bool VirtualMouse::UnplugOther(bool& changed, std::string& error) {
  changed = DeviceExists(VIRTUAL_OTHER_DEVICE_ID);
  return !changed || RemoveDevices({VIRTUAL_OTHER_DEVICE_ID}, error);
}

bool VirtualMouse::Control(uint8_t operation, uint32_t argument,
                           const std::vector<uint8_t>& payload, std::string& error) {
  if (payload.size() > CONTROL_PAYLOAD_LENGTH) {
    error = "a payload of " + std::to_string(payload.size()) +
            " bytes does not fit the control "
            "report";
    return false;
  }
  HANDLE control = OpenControl(error);
  if (control == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> report(CONTROL_REPORT_LENGTH, 0);
  report[0] = CONTROL_REPORT_ID;
  report[1] = operation;
  report[2] = static_cast<uint8_t>(payload.size() & 0xFF);
  report[3] = static_cast<uint8_t>(payload.size() >> 8);
  for (int i = 0; i < 4; ++i) report[4 + i] = static_cast<uint8_t>(argument >> (8 * i));
  std::copy(payload.begin(), payload.end(), report.begin() + CONTROL_HEADER_LENGTH);
  const bool sent =
      ::HidD_SetFeature(control, report.data(), static_cast<ULONG>(report.size())) != 0;
  const DWORD code = ::GetLastError();
  ::CloseHandle(control);
  if (!sent) error = "the driver refused the request: " + SystemErrorText(code);
  return sent;
}

bool VirtualMouse::Press(uint8_t stage, std::string& error) {
  if (!PluggedIn()) {
    error = "the virtual mouse is unplugged: its DPI button sends nothing";
    return false;
  }
  return Control(CONTROL_OP_PRESS, stage, {}, error);
}

bool VirtualMouse::Refuse(uint32_t count, std::string& error) {
  return Control(CONTROL_OP_REFUSE, count, {}, error);
}

bool VirtualMouse::Hold(const std::vector<uint8_t>& report, std::string& error) {
  const bool whole =
      (!report.empty() && report[0] == kSettingsReportId &&
       report.size() == kSettingsReportLength) ||
      (!report.empty() && report[0] == kButtonReportId && report.size() == kButtonReportLength);
  if (!whole) {
    error = "a held report is report 3 (40 bytes) or report 4 (2049 bytes), ID first; got " +
            std::to_string(report.size()) + " bytes";
    return false;
  }
  return Control(CONTROL_OP_HOLD, 0, report, error);
}

bool VirtualMouse::TakeTrace(std::vector<std::string>& lines, std::string& error) {
  HANDLE control = OpenControl(error);
  if (control == INVALID_HANDLE_VALUE) return false;
  std::vector<uint8_t> report(CONTROL_REPORT_LENGTH);
  unsigned lost = 0;
  bool ok = true;
  // The driver holds a few dozen records; the bound only stops a driver that
  // never says "none" from holding this loop.
  for (int taken = 0;; ++taken) {
    if (taken > 10000) {
      error = "the driver's trace does not end";
      ok = false;
      break;
    }
    std::fill(report.begin(), report.end(), 0);
    report[0] = CONTROL_REPORT_ID;
    if (!::HidD_GetFeature(control, report.data(), static_cast<ULONG>(report.size()))) {
      error = "cannot read the driver's trace: " + SystemErrorText(::GetLastError());
      ok = false;
      break;
    }
    if (report[1] == CONTROL_RECORD_NONE) {
      lost = report[7];
      break;
    }
    TransferRecord record;
    record.Kind = report[1] == CONTROL_RECORD_SET   ? TransferKind::SetFeature
                  : report[1] == CONTROL_RECORD_GET ? TransferKind::GetFeature
                                                    : TransferKind::InputRead;
    const size_t count = std::min<size_t>(report[2] | (report[3] << 8), CONTROL_PAYLOAD_LENGTH);
    record.FeatureLength = report[4] | (report[5] << 8);
    record.Accepted = report[6] != 0;
    record.Bytes.assign(report.begin() + CONTROL_HEADER_LENGTH,
                        report.begin() + static_cast<ptrdiff_t>(CONTROL_HEADER_LENGTH + count));
    lines.push_back(TraceLine(record));
  }
  ::CloseHandle(control);
  if (ok && lost > 0) {
    error = std::to_string(lost) + (lost == 255 ? " or more" : "") +
            " transfers were not recorded: the driver keeps the last few dozen, so read the "
            "trace more often";
    ok = false;
  }
  return ok;
}

}  // namespace lt260::vmouse
