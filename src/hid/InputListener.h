#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "hid/HidBackend.h"
#include "ports/DebugOutput.h"

namespace lt260 {

// The channel's input interface as the listener sees it. The owner's thread
// replaces the device at every discovery; the listener takes its own reference
// for each read, so a device is closed only when neither side holds it, and a
// device dropped here has its reads cancelled so a pending read ends at once.
class InputDeviceSlot {
 public:
  // Holds `device` from now on (null for none). The device held before, if it
  // is a different one, has its pending and later reads cancelled.
  void Replace(std::shared_ptr<HidDevice> device);
  // The device held now, or null.
  std::shared_ptr<HidDevice> Current() const;
  // Waits until a device that is not retired is held, or Stop was called.
  // Null after Stop.
  std::shared_ptr<HidDevice> WaitForDevice();
  // Marks `device`, if it is the one held now, as not worth reading: it is
  // gone. It stays held (its owner closes it) until the next Replace.
  void Retire(const std::shared_ptr<HidDevice>& device);
  // Whether the device held now is retired.
  bool Retired() const;
  // Waits up to `pause` unless Stop is called meanwhile; false once stopped.
  bool PauseUnlessStopped(std::chrono::milliseconds pause);
  // Ends every wait and cancels the read of the device held now.
  void Stop();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::shared_ptr<HidDevice> device_;
  bool retired_ = false;
  bool stopped_ = false;
};

// The thread that reads the mouse's 4-byte input reports and hands the stage
// of each DPI-stage report to its owner.
class InputListener {
 public:
  // Room for a report copied out of a read; bytes past the report stay zero.
  static constexpr std::size_t kReportBufferLength = 1000;
  // The pause after every read, so a device whose reads fail at once is
  // retried about a hundred times a second and no more. A device that is gone
  // is not retried at all: the listener waits for the next discovery.
  static constexpr std::chrono::milliseconds kPassPause{10};

  // Called on the listener thread with the stage of every DPI-stage report.
  using StageHandler = std::function<void(int stage)>;

  InputListener(InputDeviceSlot& slot, DebugOutput& debugOutput, StageHandler onDpiStage,
                std::chrono::milliseconds passPause = kPassPause);
  // Stops the thread if it runs.
  ~InputListener();
  InputListener(const InputListener&) = delete;
  InputListener& operator=(const InputListener&) = delete;

  void Start();
  // Ends the thread: stops the slot (which cancels the pending read) and joins.
  void Stop();

  // The handling of one report read: a debug-output line with `length` and
  // the first eight bytes (bytes `report` does not hold read as zero), then
  // the stage handler when the report announces a stage (DpiStageOf).
  void OnInputReport(std::span<const uint8_t> report, int length);

  // Passes of the read loop so far: each one a wake-up of the thread.
  uint64_t Passes() const { return passes_.load(std::memory_order_relaxed); }

 private:
  void Run();

  InputDeviceSlot& slot_;
  DebugOutput& debugOutput_;
  const StageHandler onDpiStage_;
  const std::chrono::milliseconds passPause_;
  std::atomic<uint64_t> passes_{0};
  std::thread thread_;
};

}  // namespace lt260
