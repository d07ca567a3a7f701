// The whole hidraw backend against a virtual LT-260 made with uhid: udev
// enumeration, lengths from the kernel's copy of the descriptor, feature
// ioctls answered by the test, and an input report. Machines without
// /dev/uhid report the test as skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "hid/HidChannel.h"
#include "platform/linux/HidrawBackend.h"
#include "protocol/DeviceIdentity.h"
#include "support/RecordingPorts.h"

namespace lt260 {
namespace {

using test::RecordingDebugOutput;
using test::RecordingWindowMessages;

class NoEvents final : public DeviceEventSourceFactory {
 public:
  std::unique_ptr<DeviceEventSource> Create() override { return nullptr; }
};

// A uhid device whose feature reports are kept as the test's mouse state.
class VirtualMouse {
 public:
  explicit VirtualMouse(const std::vector<uint8_t>& descriptor)
      : fd_(::open("/dev/uhid", O_RDWR | O_CLOEXEC)) {
    if (fd_.Valid()) {
      uhid_event create{};
      create.type = UHID_CREATE2;
      std::strcpy(reinterpret_cast<char*>(create.u.create2.name), "LT-260 test");
      create.u.create2.rd_size = static_cast<uint16_t>(descriptor.size());
      create.u.create2.bus = 0x03;
      create.u.create2.vendor = kVendorId;
      create.u.create2.product = kProductId;
      std::memcpy(create.u.create2.rd_data, descriptor.data(), descriptor.size());
      created_ = ::write(fd_.Get(), &create, sizeof create) == sizeof create;
      thread_ = std::thread([this] { Answer(); });
    }
  }
  ~VirtualMouse() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (created_) {
      uhid_event destroy{};
      destroy.type = UHID_DESTROY;
      (void)!::write(fd_.Get(), &destroy, sizeof destroy);
    }
  }
  bool Created() const { return created_; }
  void Input(const std::vector<uint8_t>& report) {
    uhid_event input{};
    input.type = UHID_INPUT2;
    input.u.input2.size = static_cast<uint16_t>(report.size());
    std::memcpy(input.u.input2.data, report.data(), report.size());
    ASSERT_EQ(::write(fd_.Get(), &input, sizeof input), static_cast<ssize_t>(sizeof input));
  }
  std::vector<uint8_t> Stored(uint8_t id) {
    std::lock_guard lock(mutex_);
    return reports_[id];
  }

 private:
  void Answer() {
    while (!stop_) {
      pollfd fd{fd_.Get(), POLLIN, 0};
      if (::poll(&fd, 1, 50) <= 0) continue;
      uhid_event event{};
      if (::read(fd_.Get(), &event, sizeof event) <= 0) continue;
      uhid_event reply{};
      if (event.type == UHID_SET_REPORT) {
        {
          std::lock_guard lock(mutex_);
          reports_[event.u.set_report.rnum].assign(
              event.u.set_report.data, event.u.set_report.data + event.u.set_report.size);
        }
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = event.u.set_report.id;
      } else if (event.type == UHID_GET_REPORT) {
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = event.u.get_report.id;
        std::lock_guard lock(mutex_);
        const auto& stored = reports_[event.u.get_report.rnum];
        reply.u.get_report_reply.size = static_cast<uint16_t>(stored.size());
        std::memcpy(reply.u.get_report_reply.data, stored.data(), stored.size());
      } else {
        continue;
      }
      (void)!::write(fd_.Get(), &reply, sizeof reply);
    }
  }

  UniqueFd fd_;
  bool created_ = false;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::array<std::vector<uint8_t>, 256> reports_;
  std::thread thread_;
};

TEST(UhidBackendTest, RunsTheWholeBackendAgainstAVirtualMouse) {
  if (!std::filesystem::exists("/dev/uhid")) GTEST_SKIP() << "/dev/uhid does not exist here";
  const std::vector<uint8_t> descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85,
                                           0x03, 0x75, 0x08, 0x95, 0x27, 0xB1, 0x02, 0xC0,
                                           0x06, 0x00, 0xFF, 0x09, 0x10, 0xA1, 0x01, 0x85,
                                           0x02, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0xC0};
  VirtualMouse mouse(descriptor);
  ASSERT_TRUE(mouse.Created());

  RecordingWindowMessages messages;
  RecordingDebugOutput debug;
  HidrawBackend backend(std::make_unique<UdevHidrawNodes>(), std::make_unique<NoEvents>(), messages,
                        0x219);
  HidChannel channel(backend, debug);
  bool found = false;
  for (int i = 0; i < 100 && !found; ++i) {
    found = channel.FindDevice(40);
    if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(found);
  ASSERT_NE(channel.InputDevice(), nullptr);

  std::array<uint8_t, 40> settings{0x03, 0x02, 0x04};
  ASSERT_TRUE(channel.SetFeature(settings));
  EXPECT_EQ(mouse.Stored(3).size(), 40u);
  std::array<uint8_t, 40> readBack{0x03};
  ASSERT_TRUE(channel.GetFeature(readBack));
  EXPECT_EQ(readBack, settings);

  std::array<uint8_t, 4> report{};
  auto paths = backend.EnumerateInterfaces();
  std::unique_ptr<HidDevice> stage;
  for (const auto& path : paths) {
    auto device = backend.Open(path);
    if (device && device->VendorId() == kVendorId &&
        device->InputReportLength() == kInputReportLength) {
      stage = std::move(device);
    }
  }
  ASSERT_NE(stage, nullptr);
  mouse.Input({0x02, 0x00, 0x03, 0x00});
  EXPECT_EQ(stage->ReadInput(report), InputRead::Report(4));
  EXPECT_EQ(report, (std::array<uint8_t, 4>{0x02, 0x00, 0x03, 0x00}));
}

}  // namespace
}  // namespace lt260
