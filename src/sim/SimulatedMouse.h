#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "hid/HidBackend.h"
#include "ports/DeviceNotices.h"
#include "protocol/DeviceIdentity.h"
#include "settings/ProfileSetting.h"
#include "sim/SimulatedFaults.h"
#include "sim/SimulatedFirmware.h"
#include "sim/SimulatedHandles.h"
#include "sim/SimulatedInterface.h"
#include "sim/TransferTrace.h"

namespace lt260 {

// The firmware's interfaces as the LT-260 presents them: three feature
// interfaces told apart by their report lengths (40 settings, 2049 buttons,
// 8 command) and one for the 4-byte input reports.
std::vector<SimulatedInterface> LT260Interfaces(uint16_t vendorId = kVendorId,
                                                uint16_t productId = kProductId);

struct SimulatedMouseConfig {
  std::vector<SimulatedInterface> Interfaces = LT260Interfaces();
  // Attached at start; Unplug and Plug change it.
  bool PluggedIn = true;
  // Input reports an open device keeps unread; beyond it the oldest is
  // dropped, as the system's HID driver does with its 32 default buffers.
  int InputBufferCount = 32;
  // Seeds the random input reports of SendGarbage; 0 draws a seed.
  uint32_t GarbageSeed = 0;
};

// The mouse behind the HidBackend port: its interfaces and their plugging,
// around its firmware (SimulatedFirmware), the devices open on it
// (SimulatedHandles) and the faults it can be given (SimulatedFaults).
//
// Each open device has its own queue of input reports, filled by the reports
// sent while it is open. Everything is thread-safe. The mouse must outlive the
// devices it opened.
class SimulatedMouse final : public HidBackend, public DeviceNotices {
 public:
  explicit SimulatedMouse(SimulatedMouseConfig config = {});
  ~SimulatedMouse() override;
  SimulatedMouse(const SimulatedMouse&) = delete;
  SimulatedMouse& operator=(const SimulatedMouse&) = delete;

  // HidBackend.
  std::vector<std::u16string> EnumerateInterfaces() override;
  std::unique_ptr<HidDevice> Open(const std::u16string& path) override;

  // DeviceNotices.
  uintptr_t WatchInterfaces(WindowId window) override;
  // Watches a device this mouse opened; 0 for any other, and for window 0.
  uintptr_t WatchRemoval(const HidDevice& device, WindowId window) override;
  void EndWatch(uintptr_t watch) override;
  // A removal notice here is the registration number itself.
  uintptr_t WatchOfNotice(int64_t notice) const override;

  // The mouse's state. The initial one is that of a mouse programmed with
  // DefaultProfileSetting().
  std::vector<uint8_t> SettingsReport() const;
  std::vector<uint8_t> ButtonReport() const;
  // The last command report accepted; all zero but the ID before the first.
  std::vector<uint8_t> CommandReport() const;
  // Replaces report 3 or 4 as if it had been programmed (no trace entry).
  // Lengths other than 40 and 2049 are cut or padded with zeros; byte 0 is
  // set to the report ID.
  void SetSettingsReport(std::span<const uint8_t> report);
  void SetButtonReport(std::span<const uint8_t> report);
  // Holds report 3 or 4 exactly as given (40 or 2049 bytes, ID first), as if
  // the mouse had been programmed with it. False, and nothing held, for
  // another ID or another length.
  bool HoldReport(std::span<const uint8_t> report);
  // Both reports as the Agent's encoders build them for `profile`.
  void ProgramProfile(const ProfileSetting& profile);

  // Replaces the block of button `buttonIndex` (0 to 6) in report 4 with
  // `records` (whole 10-byte records); the other buttons' blocks are kept and
  // all are laid out again in button order. Records that do not fit the
  // report's record area are cut off.
  void HoldButtonBlock(int buttonIndex, std::span<const uint8_t> records);
  // A bullet macro: per shot a left press, a left release and a movement
  // record (kind 0xC: the two movement bytes, then the bullet profile byte),
  // each with `Delay`, every record carrying `ModeByte`.
  struct BulletMacro {
    uint8_t BulletProfile = 3;
    std::vector<std::pair<uint8_t, uint8_t>> Movements = {{0x02, 0x05}};
    uint16_t Delay = 30;
    uint8_t ModeByte = 0x10;
  };
  void HoldBulletMacro(int buttonIndex, const BulletMacro& macro);
  // The records HoldBulletMacro writes, for comparing with a decoder's input.
  static std::vector<uint8_t> BulletMacroRecords(int buttonIndex, const BulletMacro& macro);

  // Faults and events.
  // The next `count` feature transfers (set or get) are refused.
  void RefuseNextTransfers(int count);
  // The mouse is pulled out (as by Unplug) right after `count` more feature
  // transfers, whatever their outcome; 0 calls it off.
  void VanishAfterTransfers(int count);
  // Called when the mouse pulls itself out that way, on the thread of the
  // transfer and outside the mouse's lock, as Windows would announce it.
  void SetVanishHandler(std::function<void()> handler);
  // Unplugged: enumeration is empty, opens fail, and every device open now
  // fails its transfers and reads (a pending read ends as DeviceGone) for good.
  void Unplug();
  void Plug();
  bool PluggedIn() const;
  // Attaches only the first `count` of the mouse's interfaces, as Windows
  // brings them up one at a time (0 is Unplug, all of them Plug). Devices
  // open on interfaces beyond `count` die as at an unplug.
  void PlugInterfaces(std::size_t count);
  // Another device beside the mouse, present until removed: it is enumerated
  // and opens whether the mouse is plugged in or not, and answers no report.
  void AddUnrelatedInterface(SimulatedInterface device);
  void RemoveUnrelatedInterface(const std::u16string& path);
  // Makes WatchInterfaces and WatchRemoval fail (return 0).
  void FailNotificationRegistration(bool fail);
  // Switches the stage the mouse holds in its settings report and queues
  // 02 00 stage 00 for the interfaces with 4-byte input reports.
  int PressDpiButton(uint8_t stage);
  // Queues `report` to every open, uncancelled device of every interface
  // whose input length equals the report's length. Returns how many got it.
  int SendInputReport(std::span<const uint8_t> report);
  // Queues `count` random reports, each of a random length from 1 to
  // kLongestGarbageReport and a random ID, to every open, uncancelled device
  // with input reports, whatever its report length: a faulty or counterfeit
  // mouse. A read takes as much of a report as its buffer holds. Returns how
  // many reports were queued in all.
  int SendGarbage(int count);
  static constexpr int kLongestGarbageReport = SimulatedFaults::kLongestGarbageReport;

  // The trace of every feature transfer and every input report read.
  std::vector<TransferRecord> Transfers() const;
  // The trace as lines, each cut to its report ID (TraceSummary).
  std::vector<std::string> TraceSummary() const;
  void ClearTransfers();

  // Device accounting.
  int OpenCount() const;
  int CloseCount() const;
  int OpenDevices() const;
  // Devices open now on `path`.
  int OpenDevicesOf(const std::u16string& path) const;
  // ReadInput calls so far, delivered or not.
  uint64_t ReadCalls() const;
  // Reads that went wrong from the device's point of view: a read started on
  // or still running in a device being closed, or a report delivered through
  // a device that a later open of the same interface had superseded (its
  // caller should have cancelled it). Always 0 for a correct caller.
  int StaleReads() const;
  // The window registered for device notices, 0 when none.
  WindowId NotificationWindow() const;
  // Removal watches (WatchRemoval) not yet ended.
  int RemovalWatches() const;
  // The newest removal watch still registered for `path`, 0 when none: what
  // a removal notice about that interface would be addressed to.
  uintptr_t RemovalWatchOf(const std::u16string& path) const;

 private:
  class Device;
  using Handle = SimulatedHandle;

  const SimulatedInterface* FindInterface(const std::u16string& path) const;
  bool HandleUsableLocked(const Handle& handle) const;
  // One feature transfer: `firmwareCall` runs it on the firmware, under the
  // lock, given the interface's feature length.
  TransferResult Transfer(Handle& handle, TransferKind kind, std::span<const uint8_t> report,
                          const std::function<bool(std::size_t)>& firmwareCall);
  TransferResult SetFeature(Handle& handle, std::span<const uint8_t> report);
  TransferResult GetFeature(Handle& handle, std::span<uint8_t> report);
  // Why the firmware did not take a transfer of `length` bytes on `handle`'s
  // interface; `injected` when a refusal was pending before it.
  static TransferOutcome RefusalOf(const Handle& handle, std::size_t length, bool injected);
  InputRead ReadInput(const std::shared_ptr<Handle>& handle, std::span<uint8_t> buffer);
  void CancelRead(Handle& handle);
  void Close(Handle& handle);
  void UnplugLocked();
  // Counts a feature transfer towards a pending vanish; true when the mouse
  // has just pulled itself out.
  bool CountTransferLocked();
  void AfterTransfer(bool vanished);

  mutable std::mutex mutex_;
  std::condition_variable inputChanged_;
  SimulatedMouseConfig config_;
  // How many of config_.Interfaces are attached while plugged in.
  std::size_t attached_ = 0;
  std::vector<SimulatedInterface> unrelated_;
  SimulatedFirmware firmware_;
  SimulatedHandles handles_;
  SimulatedFaults faults_;
  WindowId notificationWindow_ = 0;
  uintptr_t notificationRegistration_ = 0;
  std::map<uintptr_t, std::u16string> removalWatches_;
  uintptr_t nextRegistration_ = 1;
  std::vector<TransferRecord> transfers_;
};

}  // namespace lt260
