#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "protocol/ButtonBlock.h"
#include "protocol/ButtonReport.h"
#include "protocol/MacroDecoding.h"
#include "protocol/SettingsReport.h"
#include "settings/ProfileSetting.h"
#include "sim/SimulatedMouse.h"
#include "support/TransferPrinting.h"

namespace lt260 {
namespace {

using namespace std::chrono_literals;

// The devices of the default mouse, opened by their feature length.
struct OpenMouse {
  explicit OpenMouse(SimulatedMouse& mouse) {
    for (const auto& interface : LT260Interfaces()) {
      auto device = mouse.Open(interface.Path);
      switch (interface.FeatureReportLength) {
        case 40:
          settings = std::move(device);
          break;
        case 2049:
          buttons = std::move(device);
          break;
        case 8:
          command = std::move(device);
          break;
        default:
          input = std::move(device);
          break;
      }
    }
  }
  std::unique_ptr<HidDevice> settings, buttons, command, input;
};

std::vector<uint8_t> Report(std::size_t length, uint8_t id, uint8_t fill) {
  std::vector<uint8_t> report(length, fill);
  report[0] = id;
  return report;
}

TEST(SimulatedMouseTest, StartsProgrammedWithTheDefaultProfile) {
  SimulatedMouse mouse;
  const ProfileSetting profile = DefaultProfileSetting();
  const auto settings = BuildSettingsReport(profile);
  const auto buttons = BuildButtonReport(profile);
  EXPECT_EQ(mouse.SettingsReport(), std::vector<uint8_t>(settings.begin(), settings.end()));
  EXPECT_EQ(mouse.ButtonReport(), std::vector<uint8_t>(buttons.begin(), buttons.end()));
}

TEST(SimulatedMouseTest, FeatureTransfersNeedTheInterfaceLengthAndItsReportId) {
  SimulatedMouse mouse;
  OpenMouse open(mouse);
  constexpr auto kDone = TransferOutcome::Done;
  constexpr auto kRefused = TransferOutcome::Refused;
  constexpr auto kWrongLength = TransferOutcome::WrongLength;
  struct Case {
    HidDevice* device;
    std::vector<uint8_t> report;
    TransferOutcome outcome;
  };
  const Case cases[] = {
      {open.settings.get(), Report(40, 3, 0x11), kDone},
      {open.settings.get(), Report(39, 3, 0x12), kWrongLength},
      {open.settings.get(), Report(40, 4, 0x13), kRefused},  // wrong ID
      {open.buttons.get(), Report(2049, 4, 0x21), kDone},
      {open.buttons.get(), Report(40, 3, 0x22), kWrongLength},  // report 3 on the button interface
      {open.command.get(), Report(8, 6, 0x31), kDone},
      {open.command.get(), Report(8, 3, 0x32), kRefused},
      {open.input.get(), Report(4, 2, 0x41), kWrongLength},  // no feature report there
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.report.size() << " id " << int{c.report[0]});
    EXPECT_EQ(c.device->SetFeature(c.report).Outcome, c.outcome);
  }
  // Only the accepted reports were stored, and a get answers with them.
  EXPECT_EQ(mouse.SettingsReport(), Report(40, 3, 0x11));
  EXPECT_EQ(mouse.ButtonReport(), Report(2049, 4, 0x21));
  EXPECT_EQ(mouse.CommandReport(), Report(8, 6, 0x31));
  std::vector<uint8_t> readBack(40, 0);
  readBack[0] = 3;
  EXPECT_TRUE(open.settings->GetFeature(readBack));
  EXPECT_EQ(readBack, Report(40, 3, 0x11));
  std::vector<uint8_t> wrongId(2049, 0);
  wrongId[0] = 3;
  EXPECT_EQ(open.buttons->GetFeature(wrongId).Outcome, kRefused);
  std::vector<uint8_t> wrongLength(41, 0);
  wrongLength[0] = 3;
  EXPECT_EQ(open.settings->GetFeature(wrongLength).Outcome, kWrongLength);

  EXPECT_EQ(mouse.TraceSummary(), (std::vector<std::string>{
                                      "set 40 accepted 03",
                                      "set 40 refused 03",
                                      "set 40 refused 04",
                                      "set 2049 accepted 04",
                                      "set 2049 refused 03",
                                      "set 8 accepted 06",
                                      "set 8 refused 03",
                                      "set 0 refused 02",
                                      "get 40 accepted 03",
                                      "get 2049 refused 03",
                                      "get 40 refused 03",
                                  }));
}

// An injected refusal is a refusal whatever the transfer carries.
TEST(SimulatedMouseTest, RefusesTheNextTransfersAsAsked) {
  SimulatedMouse mouse;
  OpenMouse open(mouse);
  mouse.RefuseNextTransfers(3);
  const auto report = Report(40, 3, 0x55);
  EXPECT_EQ(open.settings->SetFeature(report).Outcome, TransferOutcome::Refused);
  EXPECT_EQ(open.settings->SetFeature(Report(39, 3, 0x55)).Outcome, TransferOutcome::Refused);
  std::vector<uint8_t> readBack = Report(40, 3, 0);
  EXPECT_EQ(open.settings->GetFeature(readBack).Outcome, TransferOutcome::Refused);
  EXPECT_NE(mouse.SettingsReport(), report);
  EXPECT_EQ(open.settings->SetFeature(report).Outcome, TransferOutcome::Done);
  EXPECT_EQ(mouse.SettingsReport(), report);
}

TEST(SimulatedMouseTest, UnplugKillsOpenDevicesForGood) {
  SimulatedMouse mouse;
  OpenMouse open(mouse);
  std::array<uint8_t, 4> buffer{};
  auto pending = std::async(std::launch::async, [&] { return open.input->ReadInput(buffer); });
  while (mouse.ReadCalls() < 1) std::this_thread::sleep_for(1ms);

  mouse.Unplug();
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get(), InputRead::Ended(ReadOutcome::DeviceGone));
  EXPECT_TRUE(mouse.EnumerateInterfaces().empty());
  EXPECT_EQ(mouse.Open(LT260Interfaces()[1].Path), nullptr);
  EXPECT_EQ(open.settings->SetFeature(Report(40, 3, 1)).Outcome, TransferOutcome::Gone);
  std::vector<uint8_t> readBack = Report(40, 3, 0);
  EXPECT_EQ(open.settings->GetFeature(readBack).Outcome, TransferOutcome::Gone);
  EXPECT_EQ(mouse.PressDpiButton(2), 0);

  mouse.Plug();
  EXPECT_EQ(mouse.EnumerateInterfaces().size(), 4u);
  // A device opened before the unplug stays dead; a new one works.
  EXPECT_EQ(open.settings->SetFeature(Report(40, 3, 1)).Outcome, TransferOutcome::Gone);
  EXPECT_EQ(open.input->ReadInput(buffer), InputRead::Ended(ReadOutcome::DeviceGone));
  OpenMouse reopened(mouse);
  EXPECT_TRUE(reopened.settings->SetFeature(Report(40, 3, 1)));
}

TEST(SimulatedMouseTest, InterfacesComeOneByOneAndOtherDevicesStandApart) {
  SimulatedMouse mouse;
  const auto interfaces = LT260Interfaces();
  const SimulatedInterface keyboard{u"keyboard", 0x046D, 0xC31C, 9, 0};
  mouse.AddUnrelatedInterface(keyboard);
  mouse.Unplug();
  EXPECT_EQ(mouse.EnumerateInterfaces(), std::vector<std::u16string>{u"keyboard"});
  auto other = mouse.Open(u"keyboard");
  ASSERT_NE(other, nullptr) << "another device does not go with the mouse";

  mouse.PlugInterfaces(2);
  EXPECT_EQ(mouse.EnumerateInterfaces(),
            (std::vector<std::u16string>{interfaces[0].Path, interfaces[1].Path, u"keyboard"}));
  EXPECT_EQ(mouse.Open(interfaces[2].Path), nullptr) << "not there yet";
  auto settings = mouse.Open(interfaces[1].Path);
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->SetFeature(Report(40, 3, 1)));

  // Going back to one interface kills what was open on the others.
  mouse.PlugInterfaces(1);
  EXPECT_FALSE(settings->SetFeature(Report(40, 3, 1)));
  mouse.RemoveUnrelatedInterface(u"keyboard");
  std::array<uint8_t, 9> buffer{};
  EXPECT_EQ(other->ReadInput(buffer), InputRead::Ended(ReadOutcome::DeviceGone));
  EXPECT_EQ(mouse.EnumerateInterfaces(), std::vector<std::u16string>{interfaces[0].Path});
}

TEST(SimulatedMouseTest, InputReportsQueuePerOpenDevice) {
  SimulatedMouse mouse;
  const std::u16string inputPath = LT260Interfaces()[0].Path;
  EXPECT_EQ(mouse.PressDpiButton(1), 0);  // nobody has the interface open: lost

  auto device = mouse.Open(inputPath);
  EXPECT_EQ(mouse.PressDpiButton(3), 1);
  const std::array<uint8_t, 4> other{0x01, 0x00, 0x03, 0x00};
  EXPECT_EQ(mouse.SendInputReport(other), 1);

  std::array<uint8_t, 4> buffer{};
  EXPECT_EQ(device->ReadInput(buffer), InputRead::Report(4));
  EXPECT_EQ(buffer, (std::array<uint8_t, 4>{0x02, 0x00, 0x03, 0x00}));
  EXPECT_EQ(device->ReadInput(buffer), InputRead::Report(4));
  EXPECT_EQ(buffer, other);
  EXPECT_EQ(mouse.TraceSummary(),
            (std::vector<std::string>{"read 4 02 00 03 00", "read 4 01 00 03 00"}));
  EXPECT_EQ(mouse.SettingsReport()[1], 3) << "the press switches the stage the mouse holds";

  // A blocked read wakes for a press; a cancelled device never reads again.
  auto pending = std::async(std::launch::async, [&] { return device->ReadInput(buffer); });
  while (mouse.ReadCalls() < 3) std::this_thread::sleep_for(1ms);
  mouse.PressDpiButton(5);
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get(), InputRead::Report(4));
  device->CancelRead();
  mouse.PressDpiButton(6);
  EXPECT_EQ(device->ReadInput(buffer), InputRead::Ended(ReadOutcome::Cancelled));
}

TEST(SimulatedMouseTest, HeldReportsAnswerReadsOnlyWhenWholeAndOfTheirOwnId) {
  SimulatedMouse mouse;
  OpenMouse open(mouse);
  const auto settings = Report(40, 3, 0xF0);
  const auto buttons = Report(2049, 4, 0x5A);
  EXPECT_TRUE(mouse.HoldReport(settings));
  EXPECT_TRUE(mouse.HoldReport(buttons));
  std::vector<uint8_t> read = Report(40, 3, 0);
  ASSERT_TRUE(open.settings->GetFeature(read));
  EXPECT_EQ(read, settings);
  read = Report(2049, 4, 0);
  ASSERT_TRUE(open.buttons->GetFeature(read));
  EXPECT_EQ(read, buttons);

  // A report cut short, too long, or under the other report's ID holds nothing.
  EXPECT_FALSE(mouse.HoldReport(Report(39, 3, 1)));
  EXPECT_FALSE(mouse.HoldReport(Report(41, 3, 1)));
  EXPECT_FALSE(mouse.HoldReport(Report(40, 4, 1)));
  EXPECT_FALSE(mouse.HoldReport(Report(2049, 3, 1)));
  EXPECT_FALSE(mouse.HoldReport(Report(8, 6, 1)));
  EXPECT_FALSE(mouse.HoldReport(std::vector<uint8_t>{}));
  EXPECT_EQ(mouse.SettingsReport(), settings);
  EXPECT_EQ(mouse.ButtonReport(), buttons);
}

TEST(SimulatedMouseTest, VanishesAfterTheCountedTransfersAndSaysSoOnce) {
  SimulatedMouse mouse;
  OpenMouse open(mouse);
  int announced = 0;
  mouse.SetVanishHandler([&] {
    ++announced;
    EXPECT_FALSE(mouse.PluggedIn()) << "announced before the mouse was gone";
  });
  mouse.RefuseNextTransfers(1);
  mouse.VanishAfterTransfers(3);
  std::vector<uint8_t> read = Report(40, 3, 0);
  EXPECT_FALSE(open.settings->SetFeature(Report(40, 3, 7)));  // refused, still counted
  EXPECT_TRUE(open.settings->GetFeature(read));
  EXPECT_EQ(announced, 0);
  EXPECT_TRUE(open.command->SetFeature(Report(8, 6, 1)));  // the third is carried out
  EXPECT_EQ(announced, 1);
  EXPECT_FALSE(mouse.PluggedIn());
  EXPECT_TRUE(mouse.EnumerateInterfaces().empty());
  EXPECT_FALSE(open.settings->GetFeature(read));
  EXPECT_EQ(announced, 1);

  // Plugged in again it stays; a vanish called off never happens.
  mouse.Plug();
  OpenMouse reopened(mouse);
  mouse.VanishAfterTransfers(1);
  mouse.VanishAfterTransfers(0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(reopened.settings->GetFeature(read));
  EXPECT_TRUE(mouse.PluggedIn());
  EXPECT_EQ(announced, 1);
}

TEST(SimulatedMouseTest, GarbageReachesEveryInputDeviceAndTheQueueKeepsTheNewest) {
  SimulatedMouseConfig config;
  config.GarbageSeed = 12345;
  SimulatedMouse mouse(config);
  auto device = mouse.Open(LT260Interfaces()[0].Path);
  EXPECT_EQ(mouse.SendGarbage(20), 20);
  std::array<uint8_t, 4> buffer{};
  std::set<std::size_t> lengths;
  std::set<uint8_t> ids;
  for (int i = 0; i < 20; ++i) {
    buffer.fill(0xEE);
    const InputRead got = device->ReadInput(buffer);
    ASSERT_EQ(got.Outcome, ReadOutcome::Report);
    const int count = got.Length;
    const TransferRecord read = mouse.Transfers().back();
    ASSERT_GE(read.Bytes.size(), 1u);
    ASSERT_LE(read.Bytes.size(), static_cast<std::size_t>(SimulatedMouse::kLongestGarbageReport));
    EXPECT_EQ(count, static_cast<int>(std::min<std::size_t>(read.Bytes.size(), 4)));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + count, read.Bytes.begin()));
    lengths.insert(read.Bytes.size());
    ids.insert(read.Bytes[0]);
  }
  EXPECT_GE(lengths.size(), 5u) << "the lengths do not vary";
  EXPECT_GE(ids.size(), 5u) << "the report IDs do not vary";

  // A device that is not read keeps only the newest reports.
  for (int stage = 1; stage <= 100; ++stage) mouse.PressDpiButton(static_cast<uint8_t>(stage));
  for (int stage = 100 - config.InputBufferCount + 1; stage <= 100; ++stage) {
    ASSERT_EQ(device->ReadInput(buffer), InputRead::Report(4));
    EXPECT_EQ(buffer[2], stage);
  }
  mouse.Unplug();
  EXPECT_EQ(mouse.SendGarbage(5), 0) << "an unplugged mouse sends nothing";
}

TEST(SimulatedMouseTest, CountsOpensClosesAndStaleReads) {
  SimulatedMouse mouse;
  const std::u16string inputPath = LT260Interfaces()[0].Path;
  auto older = mouse.Open(inputPath);
  auto newer = mouse.Open(inputPath);
  EXPECT_EQ(mouse.OpenDevicesOf(inputPath), 2);

  // A report read through a device that a later open superseded is stale.
  mouse.PressDpiButton(2);
  std::array<uint8_t, 4> buffer{};
  EXPECT_EQ(newer->ReadInput(buffer), InputRead::Report(4));
  EXPECT_EQ(mouse.StaleReads(), 0);
  EXPECT_EQ(older->ReadInput(buffer), InputRead::Report(4));
  EXPECT_EQ(mouse.StaleReads(), 1);

  // So is closing a device while a read runs in it: the read ends empty.
  auto pending = std::async(std::launch::async, [&] { return newer->ReadInput(buffer); });
  while (mouse.ReadCalls() < 3) std::this_thread::sleep_for(1ms);
  newer.reset();
  ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(pending.get(), InputRead::Ended(ReadOutcome::Cancelled));
  EXPECT_EQ(mouse.StaleReads(), 2);

  older.reset();
  EXPECT_EQ(mouse.OpenCount(), 2);
  EXPECT_EQ(mouse.CloseCount(), 2);
  EXPECT_EQ(mouse.OpenDevices(), 0);
}

TEST(SimulatedMouseTest, BulletMacroIsHeldAsAMovementBlockAmongTheOtherButtons) {
  SimulatedMouse mouse;
  const auto before = mouse.ButtonReport();
  const std::span<const uint8_t, kButtonReportLength> beforeView(before.data(),
                                                                 kButtonReportLength);
  const auto beforeExtents = SplitButtonBlocks(beforeView);

  mouse.HoldBulletMacro(2, {});
  const auto after = mouse.ButtonReport();
  const std::span<const uint8_t, kButtonReportLength> afterView(after.data(), kButtonReportLength);
  const auto extents = SplitButtonBlocks(afterView);

  const ButtonBlock bullet = ReadButtonBlock(afterView, extents[2]);
  EXPECT_EQ(bullet.Length, 30u);
  EXPECT_TRUE(bullet.IsMacro());
  EXPECT_TRUE(bullet.IsBulletMacro());
  ButtonAssignment decoded{};
  const int events = DecodeBulletBlock(decoded, bullet.Bytes, bullet.RecordCount());
  ASSERT_EQ(events, 6);
  const std::array<std::pair<int, int>, 6> expected{
      {{4, 1}, {0xFF, 30}, {4, 0}, {0xFF, 30}, {12, 0x3405}, {0xFF, 30}}};
  for (int i = 0; i < events; ++i) {
    EXPECT_EQ(decoded.MacroEvents[i].Code, expected[i].first) << i;
    EXPECT_EQ(decoded.MacroEvents[i].Value, expected[i].second) << i;
  }

  // Every other button keeps its block.
  for (int s = 0; s < kButtonCount; ++s) {
    if (s == 2) continue;
    SCOPED_TRACE(s);
    const ButtonBlock was = ReadButtonBlock(beforeView, beforeExtents[s]);
    const ButtonBlock now = ReadButtonBlock(afterView, extents[s]);
    EXPECT_EQ(now.Length, was.Length);
    EXPECT_EQ(now.Bytes, was.Bytes);
  }
}

}  // namespace
}  // namespace lt260
