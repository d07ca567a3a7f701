#include "hid/InputListener.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <utility>

#include "protocol/DeviceIdentity.h"
#include "protocol/InputReport.h"

namespace lt260 {

void InputDeviceSlot::Replace(std::shared_ptr<HidDevice> device) {
  std::shared_ptr<HidDevice> dropped;
  {
    std::lock_guard lock(mutex_);
    if (device == device_) return;
    dropped = std::exchange(device_, std::move(device));
    retired_ = false;
  }
  // Cancelled outside the lock: the listener may be inside ReadInput holding
  // its own reference, and the cancel is what lets that read return.
  if (dropped) dropped->CancelRead();
  changed_.notify_all();
}

std::shared_ptr<HidDevice> InputDeviceSlot::Current() const {
  std::lock_guard lock(mutex_);
  return device_;
}

std::shared_ptr<HidDevice> InputDeviceSlot::WaitForDevice() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stopped_ || (device_ != nullptr && !retired_); });
  if (stopped_) return nullptr;
  return device_;
}

void InputDeviceSlot::Retire(const std::shared_ptr<HidDevice>& device) {
  std::lock_guard lock(mutex_);
  if (device != nullptr && device == device_) retired_ = true;
}

bool InputDeviceSlot::Retired() const {
  std::lock_guard lock(mutex_);
  return device_ != nullptr && retired_;
}

bool InputDeviceSlot::PauseUnlessStopped(std::chrono::milliseconds pause) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, pause, [this] { return stopped_; });
}

void InputDeviceSlot::Stop() {
  std::shared_ptr<HidDevice> device;
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    device = device_;
  }
  if (device) device->CancelRead();
  changed_.notify_all();
}

InputListener::InputListener(InputDeviceSlot& slot, DebugOutput& debugOutput,
                             StageHandler onDpiStage, std::chrono::milliseconds passPause)
    : slot_(slot),
      debugOutput_(debugOutput),
      onDpiStage_(std::move(onDpiStage)),
      passPause_(passPause) {}

InputListener::~InputListener() { Stop(); }

void InputListener::Start() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void InputListener::Stop() {
  slot_.Stop();
  if (thread_.joinable()) thread_.join();
}

void InputListener::Run() {
  std::array<uint8_t, kInputReportLength> readBuffer{};
  for (;;) {
    std::shared_ptr<HidDevice> device = slot_.WaitForDevice();
    if (!device) return;
    passes_.fetch_add(1, std::memory_order_relaxed);
    readBuffer.fill(0);
    const InputRead read = device->ReadInput(readBuffer);
    if (read.Outcome == ReadOutcome::DeviceGone) {
      // Reading a device that is gone fails at once, for ever: wait for the
      // discovery that brings its successor instead of retrying.
      slot_.Retire(device);
      continue;
    }
    // Let go before pausing, so a device dropped by a discovery closes now.
    device.reset();
    if (read.Outcome == ReadOutcome::Report && read.Length > 0) {
      std::array<uint8_t, kReportBufferLength> report{};
      std::copy(readBuffer.begin(), readBuffer.end(), report.begin());
      OnInputReport(report, kInputReportLength);
    }
    if (!slot_.PauseUnlessStopped(passPause_)) return;
  }
}

void InputListener::OnInputReport(std::span<const uint8_t> report, int length) {
  std::array<uint8_t, 8> first{};
  for (std::size_t i = 0; i < first.size() && i < report.size(); ++i) first[i] = report[i];

  char line[64];
  std::snprintf(line, sizeof line, "%d: %02x %02x %02x %02x %02x %02x %02x %02x\n", length,
                first[0], first[1], first[2], first[3], first[4], first[5], first[6], first[7]);
  debugOutput_.Write(line);

  if (const std::optional<int> stage = DpiStageOf(report); stage && onDpiStage_) {
    onDpiStage_(*stage);
  }
}

}  // namespace lt260
