#include "sim/SimulatedFirmware.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "protocol/ActionRecord.h"
#include "protocol/ButtonBlock.h"
#include "protocol/ButtonReport.h"
#include "protocol/DeviceIdentity.h"
#include "protocol/LittleEndian.h"
#include "protocol/SettingsReport.h"

namespace lt260 {
namespace {

std::vector<uint8_t> Resized(std::span<const uint8_t> bytes, std::size_t length, uint8_t id) {
  std::vector<uint8_t> copy(length, 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), length), copy.begin());
  copy[0] = id;
  return copy;
}

unsigned long Length(std::size_t size) {
  return static_cast<unsigned long>(std::min<std::size_t>(size, 0xFFFFFFFFu));
}

}  // namespace

SimulatedFirmware::SimulatedFirmware() {
  Lt260FirmwareReset(&firmware_);
  Program(DefaultProfileSetting());
}

std::vector<uint8_t> SimulatedFirmware::SettingsReport() const {
  return {std::begin(firmware_.Settings), std::end(firmware_.Settings)};
}

std::vector<uint8_t> SimulatedFirmware::ButtonReport() const {
  return {std::begin(firmware_.Buttons), std::end(firmware_.Buttons)};
}

std::vector<uint8_t> SimulatedFirmware::CommandReport() const {
  return {std::begin(firmware_.Command), std::end(firmware_.Command)};
}

bool SimulatedFirmware::SetFeature(std::size_t interfaceLength, std::span<const uint8_t> report) {
  return Lt260FirmwareSetFeature(&firmware_, Length(interfaceLength), report.data(),
                                 Length(report.size())) != 0;
}

bool SimulatedFirmware::GetFeature(std::size_t interfaceLength, std::span<uint8_t> report) {
  return Lt260FirmwareGetFeature(&firmware_, Length(interfaceLength), report.data(),
                                 Length(report.size())) != 0;
}

void SimulatedFirmware::Refuse(int count) {
  Lt260FirmwareRefuse(&firmware_, static_cast<unsigned long>(std::max(count, 0)));
}

bool SimulatedFirmware::RefusalPending() const { return firmware_.Refusals > 0; }

void SimulatedFirmware::SetSettingsReport(std::span<const uint8_t> report) {
  const std::vector<uint8_t> held = Resized(report, kSettingsReportLength, kSettingsReportId);
  Lt260FirmwareHold(&firmware_, held.data(), Length(held.size()));
}

void SimulatedFirmware::SetButtonReport(std::span<const uint8_t> report) {
  const std::vector<uint8_t> held = Resized(report, kButtonReportLength, kButtonReportId);
  Lt260FirmwareHold(&firmware_, held.data(), Length(held.size()));
}

bool SimulatedFirmware::HoldReport(std::span<const uint8_t> report) {
  if (report.size() == kSettingsReportLength && report[0] == kSettingsReportId) {
    SetSettingsReport(report);
    return true;
  }
  if (report.size() == kButtonReportLength && report[0] == kButtonReportId) {
    SetButtonReport(report);
    return true;
  }
  return false;
}

void SimulatedFirmware::Program(const ProfileSetting& profile) {
  SetSettingsReport(BuildSettingsReport(profile));
  SetButtonReport(BuildButtonReport(profile));
}

void SimulatedFirmware::HoldButtonBlock(int buttonIndex, std::span<const uint8_t> records) {
  if (buttonIndex < 0 || buttonIndex >= kButtonCount) return;
  const std::span<const uint8_t, kButtonReportLength> report(firmware_.Buttons);
  const auto extents = SplitButtonBlocks(report);
  std::array<std::vector<uint8_t>, kButtonCount> blocks;
  for (int s = 0; s < kButtonCount; ++s) {
    if (s == buttonIndex) {
      const std::size_t whole = records.size() / kActionRecordLength * kActionRecordLength;
      blocks[s].assign(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(whole));
      continue;
    }
    const std::size_t first = 1 + std::size_t{extents[s].Offset};
    if (extents[s].Length == 0 || first >= kButtonReportLength) continue;
    const std::size_t length =
        std::min<std::size_t>(extents[s].Length, kButtonReportLength - first);
    blocks[s].assign(report.begin() + static_cast<std::ptrdiff_t>(first),
                     report.begin() + static_cast<std::ptrdiff_t>(first + length));
  }

  std::vector<uint8_t> rebuilt(kButtonReportLength, 0);
  rebuilt[0] = kButtonReportId;
  // The reserved bytes between the offset table and the record area are kept.
  std::copy(report.begin() + 1 + 2 * kButtonCount, report.begin() + 1 + kRecordAreaOffset,
            rebuilt.begin() + 1 + 2 * kButtonCount);
  std::size_t offset = kRecordAreaOffset;
  for (int s = 0; s < kButtonCount; ++s) {
    const std::size_t room =
        (kButtonReportLength - 1 - offset) / kActionRecordLength * kActionRecordLength;
    const std::size_t length = std::min(blocks[s].size(), room);
    const std::span<uint8_t, 2> entry(rebuilt.data() + 1 + 2 * s, 2);
    if (length == 0) {
      StoreLe16(entry, kNoBlockOffset);
      continue;
    }
    StoreLe16(entry, static_cast<uint16_t>(offset));
    std::copy_n(blocks[s].begin(), length,
                rebuilt.begin() + static_cast<std::ptrdiff_t>(1 + offset));
    offset += length;
  }
  Lt260FirmwareHold(&firmware_, rebuilt.data(), Length(rebuilt.size()));
}

std::vector<uint8_t> SimulatedFirmware::PressDpi(uint8_t stage) {
  std::vector<uint8_t> report(kInputReportLength);
  Lt260FirmwarePressDpi(&firmware_, stage, report.data());
  return report;
}

}  // namespace lt260
