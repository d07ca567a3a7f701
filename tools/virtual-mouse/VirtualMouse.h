#pragma once

// The virtual LT-260 seen from user mode: installing its driver into the
// system, plugging and unplugging its four interfaces as devices (and an
// unrelated device beside them), and the
// control interface through which the DPI button is pressed, transfers are
// refused, reports are held and the trace of transfers is read.
//
// Windows only. Every operation returns false with a one-line reason in
// `error` when it fails; nothing is left half done where that can be helped.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/SystemErrorText.h"

namespace lt260::vmouse {

// The driver and its INF, as the build puts them beside the control program.
inline constexpr wchar_t kDriverFile[] = L"lt260vmouse.sys";
inline constexpr wchar_t kInfFile[] = L"lt260vmouse.inf";

class VirtualMouse {
 public:
  // `folder` holds the driver and its INF (for install and plug).
  explicit VirtualMouse(std::filesystem::path folder);

  // Installs the driver, creates the control interface and the mouse's four
  // interfaces, and gives the firmware the reports of a mouse programmed with
  // the default profile. Installing over an installed mouse starts afresh.
  bool Install(std::string& error);
  // Removes every device of the virtual mouse, the control interface included.
  bool Uninstall(std::string& error);
  // Creates or removes the mouse's four interfaces and waits until the HID
  // interfaces are there or gone. `changed` says whether anything changed.
  bool Plug(bool& changed, std::string& error);
  bool Unplug(bool& changed, std::string& error);
  // Whether the mouse's interfaces exist now.
  bool PluggedIn() const;
  // Creates or removes the unrelated device, one HID interface of a vendor
  // and product the Agent does not accept, and waits as Plug does.
  bool PlugOther(bool& changed, std::string& error);
  bool UnplugOther(bool& changed, std::string& error);

  bool Press(uint8_t stage, std::string& error);
  bool Refuse(uint32_t count, std::string& error);
  // Replaces report 3 or 4 (the whole report, ID first).
  bool Hold(const std::vector<uint8_t>& report, std::string& error);
  // Takes the transfers the mouse has seen since the last call off the
  // driver, as trace lines (TraceLine: "set 40 accepted 03 ...", "get 2049
  // accepted 04 ...", "read 4 02 00 03 00"). Fails, after returning what it
  // has, when the driver had to drop transfers because nobody read them in time.
  bool TakeTrace(std::vector<std::string>& lines, std::string& error);

 private:
  bool CreateDevices(const std::vector<const wchar_t*>& hardwareIds, std::string& error);
  bool RemoveDevices(const std::vector<const wchar_t*>& hardwareIds, std::string& error);
  // Whether the control interface is there; false with the reason if not.
  bool Installed(std::string& error) const;
  bool Control(uint8_t operation, uint32_t argument, const std::vector<uint8_t>& payload,
               std::string& error);

  std::filesystem::path folder_;
};

// The HID interface paths of the system now.
std::vector<std::wstring> HidInterfacePaths();

// Text for a system error code: "The device is not connected. (error 1167)".
using tools::SystemErrorText;

}  // namespace lt260::vmouse
