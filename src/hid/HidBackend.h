#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hid/TransferResult.h"

namespace lt260 {

// How one input read ended.
enum class ReadOutcome {
  // A report arrived: `Length` bytes of it are in the buffer.
  Report,
  // CancelRead came before or during the read.
  Cancelled,
  // The read failed for a reason that may pass; a later read may work.
  Failed,
  // The device is no longer attached: no read through this device will work.
  DeviceGone,
};

struct InputRead {
  ReadOutcome Outcome = ReadOutcome::Failed;
  int Length = 0;

  static constexpr InputRead Report(int length) { return {ReadOutcome::Report, length}; }
  static constexpr InputRead Ended(ReadOutcome outcome) { return {outcome, 0}; }
  friend bool operator==(const InputRead&, const InputRead&) = default;
};

// One open HID interface (a top-level collection of a device). Destroying it
// closes it. Transfers run on the channel owner's thread; ReadInput runs on
// the listener thread while CancelRead may be called from the owner's thread.
class HidDevice {
 public:
  virtual ~HidDevice() = default;

  virtual uint16_t VendorId() const = 0;
  virtual uint16_t ProductId() const = 0;
  // Report lengths in bytes, report-ID byte included.
  virtual int InputReportLength() const = 0;
  virtual int FeatureReportLength() const = 0;

  // One feature-report transfer; byte 0 of the buffer is the report ID. A
  // report whose length is not FeatureReportLength is not sent (WrongLength).
  virtual TransferResult SetFeature(std::span<const uint8_t> report) = 0;
  virtual TransferResult GetFeature(std::span<uint8_t> report) = 0;

  // Waits for the next input report. A cancelled device (CancelRead before or
  // during the read) never reads again; a device that is gone neither.
  virtual InputRead ReadInput(std::span<uint8_t> buffer) = 0;
  // Ends a pending ReadInput and every later one. Safe from any thread.
  virtual void CancelRead() = 0;
  // False for an interface opened without read access, because the system
  // keeps it for itself: its feature reports work, its input cannot be read.
  virtual bool CanRead() const { return true; }
};

// The system's HID interfaces: what device discovery needs of the platform.
class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // Paths of the HID interfaces present now, in the system's enumeration order.
  virtual std::vector<std::u16string> EnumerateInterfaces() = 0;
  // Opens an interface for reading and writing, or where the system refuses
  // that, with what access it grants (see HidDevice::CanRead); null when it
  // cannot be opened at all.
  virtual std::unique_ptr<HidDevice> Open(const std::u16string& path) = 0;
};

}  // namespace lt260
