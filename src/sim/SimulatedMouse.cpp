#include "sim/SimulatedMouse.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "protocol/ActionRecord.h"
#include "protocol/ButtonReport.h"
#include "protocol/CommandReport.h"
#include "protocol/SettingsReport.h"

namespace lt260 {

namespace {

std::u16string InterfacePath(uint16_t vendorId, uint16_t productId, int collection) {
  char text[96];
  std::snprintf(text, sizeof text, "\\\\?\\hid#vid_%04x&pid_%04x&col%02d#7&1a2b3c4d&0&%04d",
                vendorId, productId, collection, collection - 1);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::vector<SimulatedInterface> LT260Interfaces(uint16_t vendorId, uint16_t productId) {
  return {
      {InterfacePath(vendorId, productId, 1), vendorId, productId, kInputReportLength, 0},
      {InterfacePath(vendorId, productId, 2), vendorId, productId, 0,
       static_cast<int>(kSettingsReportLength)},
      {InterfacePath(vendorId, productId, 3), vendorId, productId, 0,
       static_cast<int>(kButtonReportLength)},
      {InterfacePath(vendorId, productId, 4), vendorId, productId, 0,
       static_cast<int>(kCommandReportLength)},
  };
}

// An open interface. The interface's identity never changes, so it is read
// without the lock; everything else goes through the mouse.
class SimulatedMouse::Device final : public HidDevice {
 public:
  Device(SimulatedMouse& mouse, std::shared_ptr<Handle> handle)
      : mouse_(mouse), handle_(std::move(handle)) {}
  ~Device() override { mouse_.Close(*handle_); }

  uint16_t VendorId() const override { return handle_->Interface.VendorId; }
  uint16_t ProductId() const override { return handle_->Interface.ProductId; }
  int InputReportLength() const override { return handle_->Interface.InputReportLength; }
  int FeatureReportLength() const override { return handle_->Interface.FeatureReportLength; }
  TransferResult SetFeature(std::span<const uint8_t> report) override {
    return mouse_.SetFeature(*handle_, report);
  }
  TransferResult GetFeature(std::span<uint8_t> report) override {
    return mouse_.GetFeature(*handle_, report);
  }
  InputRead ReadInput(std::span<uint8_t> buffer) override {
    // A copy of the handle, so that a close racing with the read (which a
    // correct caller never lets happen) is seen and counted, not crashed on.
    std::shared_ptr<Handle> handle = handle_;
    return mouse_.ReadInput(handle, buffer);
  }
  void CancelRead() override { mouse_.CancelRead(*handle_); }
  bool CanRead() const override { return !handle_->Interface.ReadDenied; }
  const std::u16string& Path() const { return handle_->Interface.Path; }

 private:
  SimulatedMouse& mouse_;
  std::shared_ptr<Handle> handle_;
};

SimulatedMouse::SimulatedMouse(SimulatedMouseConfig config)
    : config_(std::move(config)),
      attached_(config_.Interfaces.size()),
      handles_(config_.InputBufferCount),
      faults_(config_.GarbageSeed) {}

SimulatedMouse::~SimulatedMouse() = default;

std::vector<std::u16string> SimulatedMouse::EnumerateInterfaces() {
  std::lock_guard lock(mutex_);
  std::vector<std::u16string> paths;
  if (config_.PluggedIn) {
    for (std::size_t i = 0; i < attached_; ++i) paths.push_back(config_.Interfaces[i].Path);
  }
  for (const SimulatedInterface& interface : unrelated_) paths.push_back(interface.Path);
  return paths;
}

const SimulatedInterface* SimulatedMouse::FindInterface(const std::u16string& path) const {
  if (config_.PluggedIn) {
    for (std::size_t i = 0; i < attached_; ++i) {
      if (config_.Interfaces[i].Path == path) return &config_.Interfaces[i];
    }
  }
  for (const SimulatedInterface& interface : unrelated_) {
    if (interface.Path == path) return &interface;
  }
  return nullptr;
}

std::unique_ptr<HidDevice> SimulatedMouse::Open(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  const SimulatedInterface* interface = FindInterface(path);
  if (interface == nullptr || interface->OpenFails) return nullptr;
  return std::make_unique<Device>(*this, handles_.Open(*interface));
}

uintptr_t SimulatedMouse::WatchInterfaces(WindowId window) {
  std::lock_guard lock(mutex_);
  if (faults_.RegistrationsFail()) return 0;
  notificationWindow_ = window;
  notificationRegistration_ = nextRegistration_++;
  return notificationRegistration_;
}

void SimulatedMouse::EndWatch(uintptr_t watch) {
  std::lock_guard lock(mutex_);
  if (watch == 0) return;
  if (watch == notificationRegistration_) {
    notificationWindow_ = 0;
    notificationRegistration_ = 0;
  }
  removalWatches_.erase(watch);
}

uintptr_t SimulatedMouse::WatchRemoval(const HidDevice& device, WindowId window) {
  const auto* opened = dynamic_cast<const Device*>(&device);
  std::lock_guard lock(mutex_);
  if (opened == nullptr || window == 0 || faults_.RegistrationsFail()) return 0;
  const uintptr_t registration = nextRegistration_++;
  removalWatches_[registration] = opened->Path();
  return registration;
}

uintptr_t SimulatedMouse::WatchOfNotice(int64_t notice) const {
  std::lock_guard lock(mutex_);
  const auto registration = static_cast<uintptr_t>(notice);
  return removalWatches_.contains(registration) ? registration : 0;
}

int SimulatedMouse::RemovalWatches() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(removalWatches_.size());
}

uintptr_t SimulatedMouse::RemovalWatchOf(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  uintptr_t newest = 0;
  for (const auto& [registration, watched] : removalWatches_) {
    if (watched == path) newest = std::max(newest, registration);
  }
  return newest;
}

std::vector<uint8_t> SimulatedMouse::SettingsReport() const {
  std::lock_guard lock(mutex_);
  return firmware_.SettingsReport();
}

std::vector<uint8_t> SimulatedMouse::ButtonReport() const {
  std::lock_guard lock(mutex_);
  return firmware_.ButtonReport();
}

std::vector<uint8_t> SimulatedMouse::CommandReport() const {
  std::lock_guard lock(mutex_);
  return firmware_.CommandReport();
}

void SimulatedMouse::SetSettingsReport(std::span<const uint8_t> report) {
  std::lock_guard lock(mutex_);
  firmware_.SetSettingsReport(report);
}

void SimulatedMouse::SetButtonReport(std::span<const uint8_t> report) {
  std::lock_guard lock(mutex_);
  firmware_.SetButtonReport(report);
}

bool SimulatedMouse::HoldReport(std::span<const uint8_t> report) {
  std::lock_guard lock(mutex_);
  return firmware_.HoldReport(report);
}

void SimulatedMouse::ProgramProfile(const ProfileSetting& profile) {
  std::lock_guard lock(mutex_);
  firmware_.Program(profile);
}

void SimulatedMouse::HoldButtonBlock(int buttonIndex, std::span<const uint8_t> records) {
  std::lock_guard lock(mutex_);
  firmware_.HoldButtonBlock(buttonIndex, records);
}

std::vector<uint8_t> SimulatedMouse::BulletMacroRecords(int buttonIndex, const BulletMacro& macro) {
  const auto button = static_cast<uint8_t>((buttonIndex + 1) & 0x07);
  std::vector<uint8_t> records;
  auto add = [&](uint8_t kind, uint8_t a1, uint8_t a2, uint8_t a3) {
    ActionRecord record{};
    record.KindAndButton = static_cast<uint8_t>(kind | button);
    record.Argument1 = a1;
    record.Argument2 = a2;
    record.Argument3 = a3;
    record.Mode = macro.ModeByte;
    record.SetDelay(macro.Delay);
    ActionRecordBytes bytes{};
    StoreActionRecord(bytes, record);
    records.insert(records.end(), bytes.begin(), bytes.end());
  };
  for (const auto& [moveX, moveY] : macro.Movements) {
    add(kKindMouseDown, 0x01, 0, 0);
    add(kKindMouseUp, 0x01, 0, 0);
    add(kKindMovement, moveX, moveY, macro.BulletProfile);
  }
  return records;
}

void SimulatedMouse::HoldBulletMacro(int buttonIndex, const BulletMacro& macro) {
  HoldButtonBlock(buttonIndex, BulletMacroRecords(buttonIndex, macro));
}

void SimulatedMouse::RefuseNextTransfers(int count) {
  std::lock_guard lock(mutex_);
  firmware_.Refuse(count);
}

void SimulatedMouse::VanishAfterTransfers(int count) {
  std::lock_guard lock(mutex_);
  faults_.VanishAfter(count);
}

void SimulatedMouse::SetVanishHandler(std::function<void()> handler) {
  std::lock_guard lock(mutex_);
  faults_.SetVanishHandler(std::move(handler));
}

void SimulatedMouse::Unplug() {
  {
    std::lock_guard lock(mutex_);
    UnplugLocked();
  }
  inputChanged_.notify_all();
}

void SimulatedMouse::UnplugLocked() {
  config_.PluggedIn = false;
  handles_.KillWhere([](const SimulatedInterface&) { return true; });
}

bool SimulatedMouse::CountTransferLocked() {
  if (!faults_.CountTransfer()) return false;
  UnplugLocked();
  return true;
}

void SimulatedMouse::AfterTransfer(bool vanished) {
  if (!vanished) return;
  inputChanged_.notify_all();
  std::function<void()> handler;
  {
    std::lock_guard lock(mutex_);
    handler = faults_.VanishHandler();
  }
  if (handler) handler();
}

void SimulatedMouse::Plug() { PlugInterfaces(config_.Interfaces.size()); }

void SimulatedMouse::PlugInterfaces(std::size_t count) {
  if (count == 0) {
    Unplug();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    config_.PluggedIn = true;
    attached_ = std::min(count, config_.Interfaces.size());
    const auto end = config_.Interfaces.begin() + static_cast<std::ptrdiff_t>(attached_);
    handles_.KillWhere([&](const SimulatedInterface& open) {
      const bool attached = std::any_of(config_.Interfaces.begin(), end,
                                        [&](const auto& known) { return known.Path == open.Path; });
      const bool unrelated =
          std::any_of(unrelated_.begin(), unrelated_.end(),
                      [&](const auto& other) { return other.Path == open.Path; });
      return !attached && !unrelated;
    });
  }
  inputChanged_.notify_all();
}

void SimulatedMouse::AddUnrelatedInterface(SimulatedInterface device) {
  std::lock_guard lock(mutex_);
  unrelated_.push_back(std::move(device));
}

void SimulatedMouse::RemoveUnrelatedInterface(const std::u16string& path) {
  {
    std::lock_guard lock(mutex_);
    std::erase_if(unrelated_, [&](const auto& other) { return other.Path == path; });
    handles_.KillWhere([&](const SimulatedInterface& open) { return open.Path == path; });
  }
  inputChanged_.notify_all();
}

bool SimulatedMouse::PluggedIn() const {
  std::lock_guard lock(mutex_);
  return config_.PluggedIn;
}

void SimulatedMouse::FailNotificationRegistration(bool fail) {
  std::lock_guard lock(mutex_);
  faults_.FailRegistrations(fail);
}

int SimulatedMouse::PressDpiButton(uint8_t stage) {
  // The firmware switches its own stage too, so a later read-back of its
  // settings report says the new one.
  std::vector<uint8_t> report;
  {
    std::lock_guard lock(mutex_);
    if (!config_.PluggedIn) return 0;
    report = firmware_.PressDpi(stage);
  }
  return SendInputReport(report);
}

int SimulatedMouse::SendInputReport(std::span<const uint8_t> report) {
  int delivered = 0;
  {
    std::lock_guard lock(mutex_);
    if (!config_.PluggedIn) return 0;
    delivered = handles_.Queue(report, [&](const SimulatedInterface& open) {
      return open.InputReportLength == static_cast<int>(report.size());
    });
  }
  inputChanged_.notify_all();
  return delivered;
}

int SimulatedMouse::SendGarbage(int count) {
  int queued = 0;
  {
    std::lock_guard lock(mutex_);
    if (!config_.PluggedIn) return 0;
    for (int i = 0; i < count; ++i) {
      queued += handles_.Queue(faults_.GarbageReport(), [](const SimulatedInterface& open) {
        return open.InputReportLength > 0;
      });
    }
  }
  inputChanged_.notify_all();
  return queued;
}

bool SimulatedMouse::HandleUsableLocked(const Handle& handle) const {
  return !handle.Dead && !handle.Closed && config_.PluggedIn;
}

TransferOutcome SimulatedMouse::RefusalOf(const Handle& handle, std::size_t length, bool injected) {
  const bool fits =
      length != 0 && length == static_cast<std::size_t>(handle.Interface.FeatureReportLength);
  return injected || fits ? TransferOutcome::Refused : TransferOutcome::WrongLength;
}

// A transfer through a device whose mouse is gone never reaches the
// firmware; any other does, and uses up a pending refusal whatever it
// carries, so an injected refusal reads as refused even for a transfer of
// the wrong length. Either way the transfer joins the trace with `report` as
// it is afterwards.
TransferResult SimulatedMouse::Transfer(Handle& handle, TransferKind kind,
                                        std::span<const uint8_t> report,
                                        const std::function<bool(std::size_t)>& firmwareCall) {
  std::unique_lock lock(mutex_);
  const int length = handle.Interface.FeatureReportLength;
  TransferOutcome outcome = TransferOutcome::Gone;
  if (HandleUsableLocked(handle)) {
    const bool injected = firmware_.RefusalPending();
    outcome = firmwareCall(static_cast<std::size_t>(std::max(length, 0)))
                  ? TransferOutcome::Done
                  : RefusalOf(handle, report.size(), injected);
  }
  transfers_.push_back({handle.Interface.Path, length, kind,
                        std::vector<uint8_t>(report.begin(), report.end()),
                        outcome == TransferOutcome::Done});
  const bool vanished = CountTransferLocked();
  lock.unlock();
  AfterTransfer(vanished);
  return outcome;
}

TransferResult SimulatedMouse::SetFeature(Handle& handle, std::span<const uint8_t> report) {
  return Transfer(handle, TransferKind::SetFeature, report, [&](std::size_t interfaceLength) {
    return firmware_.SetFeature(interfaceLength, report);
  });
}

TransferResult SimulatedMouse::GetFeature(Handle& handle, std::span<uint8_t> report) {
  return Transfer(handle, TransferKind::GetFeature, report, [&](std::size_t interfaceLength) {
    return firmware_.GetFeature(interfaceLength, report);
  });
}

InputRead SimulatedMouse::ReadInput(const std::shared_ptr<Handle>& handle,
                                    std::span<uint8_t> buffer) {
  std::unique_lock lock(mutex_);
  handles_.CountRead();
  if (handle->Closed) {
    handles_.CountStaleRead();
    return InputRead::Ended(ReadOutcome::Cancelled);
  }
  if (handle->Interface.InputReportLength <= 0 || handle->Interface.ReadDenied) {
    return InputRead::Ended(ReadOutcome::Failed);
  }
  ++handle->ActiveReads;
  inputChanged_.wait(lock,
                     [&] { return handle->Cancelled || handle->Dead || !handle->Queue.empty(); });
  InputRead read = InputRead::Ended(ReadOutcome::Cancelled);
  if (handle->Dead && !handle->Cancelled) {
    read = InputRead::Ended(ReadOutcome::DeviceGone);
  } else if (!handle->Cancelled) {
    std::vector<uint8_t> report = std::move(handle->Queue.front());
    handle->Queue.pop_front();
    if (handle->Closed || handles_.Superseded(*handle)) handles_.CountStaleRead();
    const std::size_t copied = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), copied, buffer.begin());
    read = InputRead::Report(static_cast<int>(copied));
    transfers_.push_back({handle->Interface.Path, handle->Interface.FeatureReportLength,
                          TransferKind::InputRead, std::move(report), true});
  }
  --handle->ActiveReads;
  return read;
}

void SimulatedMouse::CancelRead(Handle& handle) {
  {
    std::lock_guard lock(mutex_);
    handle.Cancelled = true;
  }
  inputChanged_.notify_all();
}

void SimulatedMouse::Close(Handle& handle) {
  {
    std::lock_guard lock(mutex_);
    handles_.Close(handle);
  }
  inputChanged_.notify_all();
}

std::vector<TransferRecord> SimulatedMouse::Transfers() const {
  std::lock_guard lock(mutex_);
  return transfers_;
}

std::vector<std::string> SimulatedMouse::TraceSummary() const {
  std::vector<std::string> lines;
  for (const TransferRecord& record : Transfers()) lines.push_back(lt260::TraceSummary(record));
  return lines;
}

void SimulatedMouse::ClearTransfers() {
  std::lock_guard lock(mutex_);
  transfers_.clear();
}

int SimulatedMouse::OpenCount() const {
  std::lock_guard lock(mutex_);
  return handles_.Opens();
}

int SimulatedMouse::CloseCount() const {
  std::lock_guard lock(mutex_);
  return handles_.Closes();
}

int SimulatedMouse::OpenDevices() const {
  std::lock_guard lock(mutex_);
  return handles_.OpenNow();
}

int SimulatedMouse::OpenDevicesOf(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  return handles_.OpenNowOf(path);
}

uint64_t SimulatedMouse::ReadCalls() const {
  std::lock_guard lock(mutex_);
  return handles_.ReadCalls();
}

int SimulatedMouse::StaleReads() const {
  std::lock_guard lock(mutex_);
  return handles_.StaleReads();
}

WindowId SimulatedMouse::NotificationWindow() const {
  std::lock_guard lock(mutex_);
  return notificationWindow_;
}

}  // namespace lt260
