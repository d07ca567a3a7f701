#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "settings/ProfileSetting.h"
#include "sim/FirmwareCore.h"

namespace lt260 {

// The simulated mouse's firmware, over the rules of FirmwareCore.h, which the
// virtual mouse's driver runs too. It keeps the mouse's state as the reports
// it answers with: report 3 (settings, 40 bytes) and report 4 (button
// assignments, 2049 bytes), plus the last command report 6 (8 bytes). A
// feature transfer is accepted only on an interface whose feature length
// equals the transfer's length and only for the report ID of that length
// (40: 3, 2049: 4, 8: 6); anything else is refused, as the firmware would.
// Tests also set its state without a transfer. Not thread-safe: the mouse
// holds its lock around every call.
class SimulatedFirmware {
 public:
  // The state of a mouse programmed with DefaultProfileSetting().
  SimulatedFirmware();

  std::vector<uint8_t> SettingsReport() const;
  std::vector<uint8_t> ButtonReport() const;
  std::vector<uint8_t> CommandReport() const;

  // One feature transfer on an interface whose feature reports are
  // `interfaceLength` bytes long; true when the firmware took it (a get has
  // then filled `report`). Each uses up one pending refusal.
  bool SetFeature(std::size_t interfaceLength, std::span<const uint8_t> report);
  bool GetFeature(std::size_t interfaceLength, std::span<uint8_t> report);
  // The next `count` transfers are refused, whatever they carry.
  void Refuse(int count);
  bool RefusalPending() const;

  // Replaces report 3 or 4, cut or padded to its length, with byte 0 set to
  // its ID.
  void SetSettingsReport(std::span<const uint8_t> report);
  void SetButtonReport(std::span<const uint8_t> report);
  // Report 3 or 4 exactly as given (40 or 2049 bytes, ID first); false, and
  // nothing held, for another ID or another length.
  bool HoldReport(std::span<const uint8_t> report);
  // Both reports as the Agent's encoders build them for `profile`.
  void Program(const ProfileSetting& profile);
  // Replaces the block of button `buttonIndex` (0 to 6) in report 4 with
  // `records` (whole 10-byte records); the other blocks are kept and all are
  // laid out again in button order. Records that do not fit are cut off.
  void HoldButtonBlock(int buttonIndex, std::span<const uint8_t> records);

  // The DPI button: the stage goes into report 3, and the input report the
  // mouse sends is returned.
  std::vector<uint8_t> PressDpi(uint8_t stage);

 private:
  Lt260Firmware firmware_{};
};

}  // namespace lt260
