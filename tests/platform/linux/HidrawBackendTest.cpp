#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <future>
#include <thread>

#include "hid/HidChannel.h"
#include "platform/linux/FakeSysfs.h"
#include "platform/linux/HidrawBackend.h"
#include "protocol/DeviceIdentity.h"
#include "support/RecordingPorts.h"
#include "support/TransferPrinting.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

using test::FakeSysfs;
using test::RecordingDebugOutput;
using test::RecordingWindowMessages;

constexpr uint32_t kNotice = 0x219;
constexpr WindowId kWindow = 77;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

// A vendor collection with feature report `id` of `dataBytes` bytes after the ID.
std::vector<uint8_t> FeatureCollection(int usage, int id, int dataBytes) {
  return Bytes({0x06, 0x00, 0xFF, 0x09, usage, 0xA1, 0x01, 0x85, id, 0x75, 0x08, 0x96,
                dataBytes & 0xFF, dataBytes >> 8, 0xB1, 0x02, 0xC0});
}
// The DPI-stage input collection: report 2 with three data bytes.
std::vector<uint8_t> StageCollection() {
  return Bytes({0x06, 0x00, 0xFF, 0x09, 0x10, 0xA1, 0x01, 0x85, 0x02, 0x75, 0x08, 0x95, 0x03, 0x81,
                0x02, 0xC0});
}
// A plain mouse without report IDs: three input bytes.
std::vector<uint8_t> UnnumberedMouse() {
  return Bytes({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02, 0xC0});
}
std::vector<uint8_t> Joined(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Writes one report into a fake node, as the kernel would queue it.
void Deliver(const std::string& node, const std::vector<uint8_t>& report) {
  const int fd = ::open(node.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, report.data(), report.size()), static_cast<ssize_t>(report.size()));
  ::close(fd);
}

// A device-change source the test sets off by writing to a pipe.
class PipeEvents final : public DeviceEventSource {
 public:
  explicit PipeEvents(int readFd) : fd_(readFd) {}
  int Fd() const override { return fd_.Get(); }
  bool Receive() override {
    char buffer[64];
    return ::read(fd_.Get(), buffer, sizeof buffer) > 0;
  }

 private:
  UniqueFd fd_;
};

class PipeEventsFactory final : public DeviceEventSourceFactory {
 public:
  std::unique_ptr<DeviceEventSource> Create() override {
    if (fail) return nullptr;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    writeFd = UniqueFd(fds[1]);
    return std::make_unique<PipeEvents>(fds[0]);
  }
  bool fail = false;
  UniqueFd writeFd;
};

struct HidrawFixture : ::testing::Test {
  HidrawBackend MakeBackend() {
    auto events = std::make_unique<PipeEventsFactory>();
    eventsFactory = events.get();
    return HidrawBackend(std::make_unique<SysfsHidrawNodes>(sysfs.SysRoot(), sysfs.DevRoot()),
                         std::move(events), messages, kNotice);
  }
  FakeSysfs sysfs;
  RecordingWindowMessages messages;
  PipeEventsFactory* eventsFactory = nullptr;
};

// Nodes come from the class folder in number order, each with the HID
// device its link leads to; entries without a device link are left out.
TEST_F(HidrawFixture, SysfsNodesInNumberOrderWithTheirHidDevice) {
  sysfs.AddNode(10, kVendorId, kProductId, UnnumberedMouse());
  sysfs.AddNode(2, 0x046D, 0xC52F, UnnumberedMouse());
  std::filesystem::create_directories(sysfs.SysRoot() / "class" / "hidraw" / "hidraw5");

  const auto nodes = SysfsHidrawNodes(sysfs.SysRoot(), sysfs.DevRoot()).List();
  ASSERT_EQ(nodes.size(), 2u);
  EXPECT_EQ(nodes[0].DevNode, sysfs.Node(2));
  EXPECT_EQ(nodes[0].HidDevice, sysfs.HidDevice(2));
  EXPECT_EQ(nodes[1].DevNode, sysfs.Node(10));
  EXPECT_TRUE(SysfsHidrawNodes(sysfs.SysRoot() / "missing", sysfs.DevRoot()).List().empty());
}

// Ids come from HID_ID of the parent HID device and lengths from its
// descriptor, one interface per top-level collection; a node whose identity
// or descriptor is unreadable is listed with its problem and no reports.
TEST_F(HidrawFixture, InterfacesPerCollectionWithIdsAndLengths) {
  sysfs.AddNode(0, kVendorId, kProductId,
                Joined({FeatureCollection(1, 3, 39), FeatureCollection(2, 4, 2048),
                        FeatureCollection(3, 6, 7), StageCollection()}));
  sysfs.AddNode(1, kSecondVendorId, kSecondProductId, UnnumberedMouse());
  sysfs.AddNode(2, 0x1234, 0x5678, Bytes({0xA1, 0x01}));
  sysfs.AddNode(3, 0x1234, 0x5679, UnnumberedMouse());
  test::WriteBytes(sysfs.HidDevice(3) / "uevent", "DRIVER=hid-generic\n");

  const auto interfaces =
      ReadHidrawInterfaces(SysfsHidrawNodes(sysfs.SysRoot(), sysfs.DevRoot()).List());
  ASSERT_EQ(interfaces.size(), 7u);
  const std::string node0 = sysfs.Node(0);
  const std::pair<std::string, int> expected[] = {{node0 + "&col01", 40},
                                                  {node0 + "&col02", 2049},
                                                  {node0 + "&col03", 8},
                                                  {node0 + "&col04", 0}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(interfaces[i].Path, expected[i].first);
    EXPECT_EQ(interfaces[i].DevNode, node0);
    EXPECT_EQ(interfaces[i].VendorId, kVendorId);
    EXPECT_EQ(interfaces[i].ProductId, kProductId);
    EXPECT_EQ(interfaces[i].Caps.FeatureReportLength, expected[i].second);
    EXPECT_TRUE(interfaces[i].Problem.empty());
  }
  EXPECT_EQ(interfaces[3].Caps.InputReportLength, 4);
  EXPECT_EQ(interfaces[4].Path, sysfs.Node(1));
  EXPECT_EQ(interfaces[4].VendorId, kSecondVendorId);
  EXPECT_EQ(interfaces[4].Caps.InputReportLength, 4);
  EXPECT_EQ(interfaces[5].Problem, "report descriptor: collection not closed at the end at byte 2");
  EXPECT_EQ(interfaces[5].Caps.FeatureReportLength, 0);
  EXPECT_EQ(interfaces[6].Problem.rfind("no HID_ID in ", 0), 0u);
}

// The channel finds the LT-260's interfaces by their lengths through the
// hidraw backend, as through the Windows one; a transfer of another length
// than the interface's is refused before it reaches the node.
TEST_F(HidrawFixture, ChannelFindsTheMouseByLengths) {
  sysfs.AddNode(3, 0x046D, 0xC52F, FeatureCollection(1, 3, 39));  // someone else's
  sysfs.AddNode(4, kVendorId, kProductId,
                Joined({FeatureCollection(1, 3, 39), FeatureCollection(2, 4, 2048)}));
  sysfs.AddNode(5, kVendorId, kProductId, Joined({FeatureCollection(3, 6, 7), StageCollection()}));
  HidrawBackend backend = MakeBackend();
  RecordingDebugOutput debug;
  HidChannel channel(backend, debug);

  ASSERT_TRUE(channel.FindDevice(40));
  EXPECT_EQ(channel.FeatureDevice()->FeatureReportLength(), 40);
  EXPECT_EQ(channel.FeatureDevice()->VendorId(), kVendorId);
  ASSERT_NE(channel.InputDevice(), nullptr);
  EXPECT_EQ(channel.InputDevice()->InputReportLength(), 4);
  ASSERT_TRUE(channel.FindDevice(2049));
  ASSERT_TRUE(channel.FindDevice(8));
  EXPECT_FALSE(channel.FindDevice(41));

  ASSERT_TRUE(channel.FindDevice(40));
  std::array<uint8_t, 39> tooShort{3};
  EXPECT_EQ(channel.SetFeature(tooShort).Outcome, TransferOutcome::WrongLength);
  // A named pipe takes no ioctl: the transfer of the right length reaches the
  // node and fails there, as a refusal does.
  std::array<uint8_t, 40> report{3};
  EXPECT_EQ(channel.GetFeature(report).Outcome, TransferOutcome::Refused);
  EXPECT_EQ(channel.SetFeature(report).Outcome, TransferOutcome::Refused);
}

// Opening a node that is not there fails with its errno kept for diagnosis.
TEST_F(HidrawFixture, OpenFailuresKeepTheirCause) {
  sysfs.AddNode(0, kVendorId, kProductId, UnnumberedMouse(), /*withNode=*/false);
  HidrawBackend backend = MakeBackend();
  const auto paths = backend.EnumerateInterfaces();
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(backend.Open(paths[0]), nullptr);
  EXPECT_EQ(backend.LastOpenError(paths[0]), ENOENT);
  EXPECT_EQ(backend.Open(u"/dev/not-listed"), nullptr);
  EXPECT_EQ(backend.LastOpenError(u"/dev/not-listed"), ENOENT);
  EXPECT_EQ(backend.LastOpenError(u"/dev/never-tried"), 0);
}

// Reads: a numbered report arrives as it is; an unnumbered one with a 0 in
// front, as on Windows; a report of another collection on the same node is
// not delivered to this one; a short buffer takes the report's start.
TEST_F(HidrawFixture, ReadsDeliverTheCollectionsOwnReportsWithTheirIdByte) {
  sysfs.AddNode(0, kVendorId, kProductId, Joined({FeatureCollection(3, 6, 7), StageCollection()}));
  sysfs.AddNode(1, kSecondVendorId, kSecondProductId, UnnumberedMouse());
  HidrawBackend backend = MakeBackend();

  auto stage = backend.Open(FromUtf8(sysfs.Node(0) + "&col02"));
  ASSERT_NE(stage, nullptr);
  std::array<uint8_t, 4> buffer{};
  auto read = std::async(std::launch::async, [&] { return stage->ReadInput(buffer); });
  Deliver(sysfs.Node(0), Bytes({0x06, 1, 2, 3, 4, 5, 6, 7}));  // the other collection's
  EXPECT_EQ(read.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  Deliver(sysfs.Node(0), Bytes({0x02, 0x00, 0x03, 0x00}));
  ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(read.get(), InputRead::Report(4));
  EXPECT_EQ(buffer, (std::array<uint8_t, 4>{0x02, 0x00, 0x03, 0x00}));

  auto mouse = backend.Open(FromUtf8(sysfs.Node(1)));
  ASSERT_NE(mouse, nullptr);
  Deliver(sysfs.Node(1), Bytes({0x11, 0x22, 0x33}));
  EXPECT_EQ(mouse->ReadInput(buffer), InputRead::Report(4));
  EXPECT_EQ(buffer, (std::array<uint8_t, 4>{0x00, 0x11, 0x22, 0x33}));

  std::array<uint8_t, 2> shortBuffer{};
  Deliver(sysfs.Node(1), Bytes({0x44, 0x55, 0x66}));
  EXPECT_EQ(mouse->ReadInput(shortBuffer), InputRead::Report(2));
  EXPECT_EQ(shortBuffer, (std::array<uint8_t, 2>{0x00, 0x44}));
}

// A cancel wakes a read blocked in poll at once, from another thread, and
// every later read ends cancelled without waiting.
TEST_F(HidrawFixture, CancelEndsABlockedReadAndEveryLaterOne) {
  sysfs.AddNode(0, kVendorId, kProductId, StageCollection());
  HidrawBackend backend = MakeBackend();
  auto device = backend.Open(FromUtf8(sysfs.Node(0)));
  ASSERT_NE(device, nullptr);

  auto read = std::async(std::launch::async, [&] {
    std::array<uint8_t, 4> buffer{};
    return device->ReadInput(buffer);
  });
  EXPECT_EQ(read.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  device->CancelRead();
  ASSERT_EQ(read.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(read.get(), InputRead::Ended(ReadOutcome::Cancelled));

  Deliver(sysfs.Node(0), Bytes({0x02, 0x00, 0x01, 0x00}));
  std::array<uint8_t, 4> buffer{};
  EXPECT_EQ(device->ReadInput(buffer), InputRead::Ended(ReadOutcome::Cancelled));
}

// Registration starts a thread that sleeps until the source has something,
// then posts one notice per batch to the registered window; unregistering
// ends it. A source that cannot be created fails the registration.
TEST_F(HidrawFixture, HotplugNoticesReachTheRegisteredWindow) {
  HidrawBackend backend = MakeBackend();
  const uintptr_t registration = backend.WatchInterfaces(kWindow);
  ASSERT_NE(registration, 0u);
  ASSERT_EQ(::write(eventsFactory->writeFd.Get(), "add", 3), 3);
  ASSERT_TRUE(messages.WaitForPosts(1));
  EXPECT_EQ(messages.Posts()[0], (test::PostedMessage{kWindow, kNotice, 0, 0}));
  backend.EndWatch(registration);
  backend.EndWatch(registration);

  eventsFactory->fail = true;
  EXPECT_EQ(backend.WatchInterfaces(kWindow), 0u);
}

TEST(HotplugNotifierTest, SleepsWhileNothingHappens) {
  int fds[2];
  ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
  UniqueFd writeEnd(fds[1]);
  RecordingWindowMessages messages;
  HotplugNotifier notifier(std::make_unique<PipeEvents>(fds[0]), messages, kWindow, kNotice);
  ASSERT_TRUE(notifier.Running());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(notifier.Wakeups(), 0u);
  ASSERT_EQ(::write(writeEnd.Get(), "x", 1), 1);
  ASSERT_TRUE(messages.WaitForPosts(1));
  EXPECT_EQ(notifier.Wakeups(), 1u);
}

// The udev side on this machine: enumeration agrees with the sysfs tree, and
// the monitor can be created where udev's netlink socket is allowed.
TEST(UdevTest, EnumerationAgreesWithSysfs) {
  const auto fromUdev = UdevHidrawNodes().List();
  const auto fromSysfs = SysfsHidrawNodes("/sys", "/dev").List();
  ASSERT_EQ(fromUdev.size(), fromSysfs.size());
  for (std::size_t i = 0; i < fromUdev.size(); ++i) {
    EXPECT_EQ(fromUdev[i].DevNode, fromSysfs[i].DevNode);
    EXPECT_EQ(fromUdev[i].HidDevice, fromSysfs[i].HidDevice);
  }
  EXPECT_NE(UdevHidrawMonitorFactory().Create(), nullptr);
}

}  // namespace
}  // namespace lt260
