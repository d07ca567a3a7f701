// Arbitrary input reports, of any length and ID, through the listener's read
// loop and its report handling: every report read gets one well-formed debug
// line, and only a DPI-stage report (02 00 stage 00, stage not 0) reaches
// the stage handler, in order, once.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "hid/InputListener.h"
#include "protocol/DeviceIdentity.h"
#include "support/RecordingPorts.h"

namespace {

using namespace lt260;

void Require(bool condition) {
  if (!condition) std::abort();
}

// A device that answers its reads with the given reports, each as long as it
// is (the buffer takes what fits, the count says the whole length; an empty
// report is a failed read), then waits until it is cancelled.
class ScriptedInputDevice final : public HidDevice {
 public:
  explicit ScriptedInputDevice(std::deque<std::vector<uint8_t>> reports)
      : reports_(std::move(reports)) {}

  uint16_t VendorId() const override { return kVendorId; }
  uint16_t ProductId() const override { return kProductId; }
  int InputReportLength() const override { return kInputReportLength; }
  int FeatureReportLength() const override { return 0; }
  TransferResult SetFeature(std::span<const uint8_t>) override { return TransferOutcome::Refused; }
  TransferResult GetFeature(std::span<uint8_t>) override { return TransferOutcome::Refused; }

  InputRead ReadInput(std::span<uint8_t> buffer) override {
    std::unique_lock lock(mutex_);
    if (reports_.empty()) {
      drained_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return cancelled_; });
      return InputRead::Ended(ReadOutcome::Cancelled);
    }
    const std::vector<uint8_t> report = std::move(reports_.front());
    reports_.pop_front();
    if (report.empty()) return InputRead::Ended(ReadOutcome::Failed);
    std::copy_n(report.begin(), std::min(report.size(), buffer.size()), buffer.begin());
    return InputRead::Report(static_cast<int>(report.size()));
  }

  void CancelRead() override {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
  }

  void WaitUntilDrained() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return drained_ || cancelled_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> reports_;
  bool drained_ = false;
  bool cancelled_ = false;
};

// "N: " and eight two-digit hex bytes, each after one space, then a line break.
void CheckDebugLine(const std::string& line, int length, std::span<const uint8_t> report) {
  char expected[64];
  uint8_t first[8] = {};
  for (std::size_t i = 0; i < 8 && i < report.size(); ++i) first[i] = report[i];
  std::snprintf(expected, sizeof expected, "%d: %02x %02x %02x %02x %02x %02x %02x %02x\n", length,
                first[0], first[1], first[2], first[3], first[4], first[5], first[6], first[7]);
  Require(line == expected);
}

bool IsStageReport(std::span<const uint8_t> report) {
  const auto at = [&](std::size_t i) { return i < report.size() ? report[i] : uint8_t{0}; };
  return at(0) == 0x02 && at(1) == 0x00 && at(3) == 0x00 && at(2) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The handling alone, with the whole input as one report and its size as
  // the length.
  {
    std::vector<int> stages;
    test::RecordingDebugOutput debug;
    InputDeviceSlot slot;
    InputListener listener(slot, debug, [&stages](int stage) { stages.push_back(stage); });
    const std::span<const uint8_t> report(data, size);
    listener.OnInputReport(report, static_cast<int>(size));
    Require(debug.Lines().size() == 1);
    CheckDebugLine(debug.Lines()[0], static_cast<int>(size), report);
    Require(stages.size() == (IsStageReport(report) ? 1u : 0u));
  }

  // The input as a sequence of reports read by the listener thread: a length
  // byte, then that many bytes.
  std::deque<std::vector<uint8_t>> reports;
  for (std::size_t at = 0; at < size;) {
    const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
    reports.emplace_back(data + at + 1, data + at + 1 + length);
    at += 1 + length;
  }
  std::vector<int> expected;
  std::size_t reads = 0;
  for (const std::vector<uint8_t>& report : reports) {
    if (report.empty()) continue;
    ++reads;
    // The listener reads four bytes; a longer report's tail never reaches it.
    const std::span<const uint8_t> seen(report.data(), std::min<std::size_t>(report.size(), 4));
    if (IsStageReport(seen)) expected.push_back(seen[2]);
  }

  // Written on the listener thread, read once it is joined.
  std::vector<int> stages;
  test::RecordingDebugOutput debug;
  InputDeviceSlot slot;
  auto device = std::make_shared<ScriptedInputDevice>(std::move(reports));
  slot.Replace(device);
  InputListener listener(
      slot, debug, [&stages](int stage) { stages.push_back(stage); }, std::chrono::milliseconds(0));
  listener.Start();
  device->WaitUntilDrained();
  listener.Stop();
  Require(stages == expected);
  Require(debug.Lines().size() == reads);
  return 0;
}
