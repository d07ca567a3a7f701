#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/WindowRemovalWatcher.h"
#include "hid/HidChannel.h"
#include "protocol/DeviceIdentity.h"
#include "sim/SimulatedMouse.h"
#include "support/RecordingPorts.h"
#include "support/TransferPrinting.h"

namespace lt260 {
namespace {

using test::RecordingDebugOutput;
using test::RecordingWindowMessages;

SimulatedInterface Interface(std::u16string path, uint16_t vendor, uint16_t product,
                             int inputLength, int featureLength) {
  return {std::move(path), vendor, product, inputLength, featureLength};
}

SimulatedMouseConfig Interfaces(std::vector<SimulatedInterface> interfaces) {
  SimulatedMouseConfig config;
  config.Interfaces = std::move(interfaces);
  return config;
}

// The interface a transfer on the channel's feature device reaches, from the
// mouse's trace.
std::u16string FeaturePathOf(HidChannel& channel, SimulatedMouse& mouse, int length) {
  std::vector<uint8_t> report(static_cast<std::size_t>(length), 0);
  report[0] = 0x03;
  mouse.ClearTransfers();
  channel.SetFeature(report);
  const auto transfers = mouse.Transfers();
  return transfers.empty() ? u"" : transfers.back().Path;
}

struct ChannelFixture : ::testing::Test {
  RecordingWindowMessages messages;
  RecordingDebugOutput debugOutput;
};

using HidChannelDiscoveryTest = ChannelFixture;

TEST_F(HidChannelDiscoveryTest, EitherAcceptedVendorGoesWithEitherAcceptedProduct) {
  struct Case {
    uint16_t vendor;
    uint16_t product;
    bool qualifies;
  };
  const Case cases[] = {
      {kVendorId, kProductId, true},       {kVendorId, kSecondProductId, true},
      {kSecondVendorId, kProductId, true}, {kSecondVendorId, kSecondProductId, true},
      {kVendorId, 0x1020, false},          {0x0603, kProductId, false},
      {kSecondVendorId, 0x0000, false},    {0x0000, kSecondProductId, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.vendor << ":" << c.product);
    SimulatedMouse mouse(Interfaces({Interface(u"a", c.vendor, c.product, 4, 40)}));
    HidChannel channel(mouse, debugOutput);
    channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
    EXPECT_EQ(channel.FindDevice(40), c.qualifies);
    EXPECT_EQ(channel.FeatureDevice() != nullptr, c.qualifies);
    EXPECT_EQ(channel.InputDevice() != nullptr, c.qualifies);
    // An interface that does not qualify is closed at once.
    EXPECT_EQ(mouse.OpenDevices(), c.qualifies ? 1 : 0);
  }
}

TEST_F(HidChannelDiscoveryTest, ConstructionAlternatesAreAcceptedUntilReplaced) {
  SimulatedMouse mouse(Interfaces({Interface(u"a", 0x0603, 0x1020, 0, 40)}));
  HidChannel channel(mouse, debugOutput);
  EXPECT_TRUE(channel.FindDevice(40));
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  EXPECT_FALSE(channel.FindDevice(40));
}

TEST_F(HidChannelDiscoveryTest, ListenerLengthFindsNoFeatureInterfaceButTheInputOne) {
  SimulatedMouse mouse;
  HidChannel channel(mouse, debugOutput);
  EXPECT_FALSE(channel.FindDevice(HidChannel::kListenerFeatureLength));
  EXPECT_EQ(channel.FeatureDevice(), nullptr);
  ASSERT_NE(channel.InputDevice(), nullptr);
  EXPECT_EQ(const_cast<HidDevice*>(channel.InputDevice())->InputReportLength(), 4);
  // The three feature interfaces were opened, found wanting and closed.
  EXPECT_EQ(mouse.OpenCount(), 4);
  EXPECT_EQ(mouse.OpenDevices(), 1);
}

TEST_F(HidChannelDiscoveryTest, EachWantedLengthSelectsItsInterface) {
  SimulatedMouse mouse;
  HidChannel channel(mouse, debugOutput);
  const auto interfaces = LT260Interfaces();
  for (const int length : {40, 2049, 8}) {
    SCOPED_TRACE(length);
    ASSERT_TRUE(channel.FindDevice(length));
    EXPECT_EQ(channel.FeatureDevice()->FeatureReportLength(), length);
    // The feature and the input interface stay open, nothing else.
    EXPECT_EQ(mouse.OpenDevices(), 2);
  }
  channel.CloseFeatureHandle();
  EXPECT_EQ(channel.FeatureDevice(), nullptr);
  EXPECT_NE(channel.InputDevice(), nullptr);
  EXPECT_EQ(mouse.OpenDevices(), 1);
}

TEST_F(HidChannelDiscoveryTest, InterfaceInBothRolesIsOneDeviceClosedOnce) {
  SimulatedMouse mouse(Interfaces({Interface(u"both", kVendorId, kProductId, 4, 40)}));
  {
    HidChannel channel(mouse, debugOutput);
    ASSERT_TRUE(channel.FindDevice(40));
    EXPECT_EQ(channel.FeatureDevice(), channel.InputDevice());
    EXPECT_EQ(mouse.OpenCount(), 1);

    // Dropping the feature role keeps the device open for the input role.
    channel.CloseFeatureHandle();
    EXPECT_EQ(mouse.OpenDevices(), 1);
    EXPECT_EQ(mouse.CloseCount(), 0);

    ASSERT_TRUE(channel.FindDevice(40));
    EXPECT_EQ(mouse.OpenCount(), 2);
    EXPECT_EQ(mouse.CloseCount(), 1);
  }
  EXPECT_EQ(mouse.CloseCount(), 2);
  EXPECT_EQ(mouse.OpenDevices(), 0);
}

TEST_F(HidChannelDiscoveryTest, LaterInterfaceOfTheSameRoleWinsAndTheEarlierIsClosed) {
  SimulatedMouse mouse(Interfaces({
      Interface(u"first-feature", kVendorId, kProductId, 0, 40),
      Interface(u"first-input", kVendorId, kProductId, 4, 0),
      Interface(u"second-feature", kSecondVendorId, kSecondProductId, 0, 40),
      Interface(u"second-input", kVendorId, kSecondProductId, 4, 0),
  }));
  HidChannel channel(mouse, debugOutput);
  channel.SetAlternateIds(kSecondVendorId, kSecondProductId);
  ASSERT_TRUE(channel.FindDevice(40));
  EXPECT_EQ(mouse.OpenDevicesOf(u"first-feature"), 0);
  EXPECT_EQ(mouse.OpenDevicesOf(u"first-input"), 0);
  EXPECT_EQ(mouse.OpenDevicesOf(u"second-feature"), 1);
  EXPECT_EQ(mouse.OpenDevicesOf(u"second-input"), 1);
  EXPECT_EQ(FeaturePathOf(channel, mouse, 40), u"second-feature");
}

TEST_F(HidChannelDiscoveryTest, InterfaceThatCannotBeOpenedIsSkipped) {
  SimulatedMouseConfig config = Interfaces({Interface(u"good", kVendorId, kProductId, 0, 40),
                                            Interface(u"locked", kVendorId, kProductId, 0, 40)});
  config.Interfaces[1].OpenFails = true;
  SimulatedMouse mouse(config);
  HidChannel channel(mouse, debugOutput);
  ASSERT_TRUE(channel.FindDevice(40));
  EXPECT_EQ(FeaturePathOf(channel, mouse, 40), u"good");
}

// As Windows opens a collection it keeps for itself: without read access.
TEST_F(HidChannelDiscoveryTest, InterfaceWithoutReadAccessServesFeaturesButNotInput) {
  SimulatedMouseConfig config = Interfaces({Interface(u"shared", kVendorId, kProductId, 4, 40)});
  config.Interfaces[0].ReadDenied = true;
  SimulatedMouse mouse(config);
  HidChannel channel(mouse, debugOutput);

  ASSERT_TRUE(channel.FindDevice(40));
  EXPECT_EQ(FeaturePathOf(channel, mouse, 40), u"shared");
  EXPECT_EQ(mouse.Transfers().back().Accepted, true);
  EXPECT_EQ(channel.InputDevice(), nullptr) << "its reads would fail at once, for ever";
  ASSERT_TRUE(channel.FindDevice(40));
  ASSERT_EQ(debugOutput.Lines().size(), 1u) << "said once, not at every discovery";
  EXPECT_NE(debugOutput.Lines()[0].find("cannot be opened for reading"), std::string::npos);
}

TEST_F(HidChannelDiscoveryTest, DetachedMouseLeavesBothRolesEmpty) {
  SimulatedMouse mouse;
  HidChannel channel(mouse, debugOutput);
  ASSERT_TRUE(channel.FindDevice(40));

  mouse.Unplug();
  for (const int length : {40, 2049, 8, 100}) {
    EXPECT_FALSE(channel.FindDevice(length));
    EXPECT_EQ(channel.FeatureDevice(), nullptr);
    EXPECT_EQ(channel.InputDevice(), nullptr);
  }
  EXPECT_EQ(mouse.OpenDevices(), 0);
  EXPECT_EQ(mouse.OpenCount(), mouse.CloseCount());
}

using HidChannelSurveyTest = ChannelFixture;

TEST_F(HidChannelSurveyTest, ListsTheMousesInterfacesOpeningOnlyPathsNotSeenBefore) {
  SimulatedMouse mouse;
  mouse.AddUnrelatedInterface(Interface(u"keyboard", 0x046D, 0xC31C, 9, 0));
  HidChannel channel(mouse, debugOutput);
  using Shape = HidChannel::InterfaceShape;
  const std::vector<Shape> whole{{4, 0}, {0, 40}, {0, 2049}, {0, 8}};

  // A discovery has seen every path: the survey opens none of them again,
  // so the interfaces held are not disturbed.
  ASSERT_TRUE(channel.FindDevice(40));
  const int opens = mouse.OpenCount();
  EXPECT_EQ(channel.PresentMouseInterfaces(), whole);
  EXPECT_EQ(mouse.OpenCount(), opens);
  EXPECT_THAT(mouse.TraceSummary(), ::testing::IsEmpty()) << "nothing is transferred";

  // Paths that go are forgotten; when they come back they are opened once.
  mouse.Unplug();
  EXPECT_TRUE(channel.PresentMouseInterfaces().empty());
  mouse.PlugInterfaces(2);
  EXPECT_EQ(channel.PresentMouseInterfaces(), (std::vector<Shape>{{4, 0}, {0, 40}}));
  EXPECT_EQ(mouse.OpenCount(), opens + 2);
  mouse.Plug();
  EXPECT_EQ(channel.PresentMouseInterfaces(), whole);
  EXPECT_EQ(channel.PresentMouseInterfaces(), whole);
  EXPECT_EQ(mouse.OpenCount(), opens + 4);
  EXPECT_EQ(mouse.OpenDevices(), 2) << "the survey closes what it opened";
}

using HidChannelRemovalTest = ChannelFixture;

// Waits until the mouse has `count` devices open (the listener lets go of a
// device it reads once the read ends).
bool WaitForOpenDevices(const SimulatedMouse& mouse, int count) {
  for (int i = 0; i < 5000 && mouse.OpenDevices() != count; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return mouse.OpenDevices() == count;
}

TEST_F(HidChannelRemovalTest, RequestClosesTheHeldInterfacesAndItsFailureOpensThemAgain) {
  SimulatedMouse mouse;
  const auto interfaces = LT260Interfaces();
  WindowRemovalWatcher removals(mouse, 0x77);
  auto channel = std::make_unique<HidChannel>(mouse, debugOutput);
  const uintptr_t registration = mouse.WatchInterfaces(0x77);
  ASSERT_NE(registration, 0u);
  channel->StartListener(
      [this](int stage) { messages.Post(0x77, 0x8001, static_cast<uint64_t>(stage), 0); },
      &removals);
  ASSERT_TRUE(channel->FindDevice(2049));
  EXPECT_EQ(mouse.RemovalWatches(), 2) << "the feature and the input interface, each once";
  const uintptr_t notice = mouse.RemovalWatchOf(interfaces[0].Path);
  ASSERT_NE(notice, 0u);

  EXPECT_FALSE(channel->ReleaseForRemoval(0));
  EXPECT_FALSE(channel->ReleaseForRemoval(static_cast<int64_t>(registration)))
      << "the interface-class registration is not a removal watch";
  EXPECT_FALSE(channel->HeldDevicesLost());
  ASSERT_TRUE(channel->ReleaseForRemoval(static_cast<int64_t>(notice)));
  EXPECT_TRUE(WaitForOpenDevices(mouse, 0)) << "an open handle would veto the removal";
  EXPECT_TRUE(channel->HeldDevicesLost());
  EXPECT_EQ(mouse.RemovalWatches(), 2) << "kept, for the failure or the removal to reach";

  ASSERT_TRUE(channel->ReopenAfterFailedRemoval(static_cast<int64_t>(notice)));
  EXPECT_FALSE(channel->HeldDevicesLost());
  EXPECT_EQ(FeaturePathOf(*channel, mouse, 2049), interfaces[2].Path)
      << "the feature interface of the last discovery";
  EXPECT_EQ(mouse.RemovalWatches(), 2) << "the old watches end, the reopened ones are watched";
  EXPECT_EQ(mouse.RemovalWatchOf(interfaces[0].Path) == notice, false);
  mouse.PressDpiButton(5);
  EXPECT_TRUE(messages.WaitForPosts(1)) << "the listener reads the reopened input interface";

  channel.reset();
  EXPECT_EQ(mouse.RemovalWatches(), 0);
  EXPECT_EQ(mouse.OpenDevices(), 0);
  mouse.EndWatch(registration);
}

using HidChannelTransferTest = ChannelFixture;

TEST_F(HidChannelTransferTest, TransfersGoToTheFeatureInterfaceOnly) {
  SimulatedMouse mouse;
  HidChannel channel(mouse, debugOutput);

  std::array<uint8_t, 40> settings{0x03, 0x02};
  EXPECT_EQ(channel.SetFeature(settings).Outcome, TransferOutcome::Gone) << "no feature interface";
  EXPECT_TRUE(mouse.Transfers().empty());

  ASSERT_TRUE(channel.FindDevice(40));
  EXPECT_TRUE(channel.SetFeature(settings));
  std::array<uint8_t, 40> readBack{0x03};
  EXPECT_TRUE(channel.GetFeature(readBack));
  EXPECT_EQ(readBack, settings);

  // A failed transfer leaves the feature device as it was.
  mouse.RefuseNextTransfers(1);
  EXPECT_FALSE(channel.SetFeature(settings));
  EXPECT_NE(channel.FeatureDevice(), nullptr);

  EXPECT_EQ(mouse.TraceSummary(), (std::vector<std::string>{
                                      "set 40 accepted 03",
                                      "get 40 accepted 03",
                                      "set 40 refused 03",
                                  }));
  channel.CloseFeatureHandle();
  EXPECT_FALSE(channel.GetFeature(readBack));
  EXPECT_EQ(mouse.Transfers().size(), 3u);
}

// The device's outcome comes through the channel, and each failure is said
// on the debug output with its reason.
TEST_F(HidChannelTransferTest, FailuresSayWhy) {
  SimulatedMouse mouse;
  HidChannel channel(mouse, debugOutput);
  ASSERT_TRUE(channel.FindDevice(40));
  std::array<uint8_t, 40> settings{0x03};
  std::array<uint8_t, 39> tooShort{0x03};

  mouse.RefuseNextTransfers(1);
  EXPECT_EQ(channel.SetFeature(settings).Outcome, TransferOutcome::Refused);
  EXPECT_EQ(channel.SetFeature(tooShort).Outcome, TransferOutcome::WrongLength);
  EXPECT_EQ(channel.GetFeature(settings).Outcome, TransferOutcome::Done);
  mouse.Unplug();
  EXPECT_EQ(channel.GetFeature(settings).Outcome, TransferOutcome::Gone);

  EXPECT_EQ(debugOutput.Lines(), (std::vector<std::string>{
                                     "HidChannel: set 40 03 refused\n",
                                     "HidChannel: set 39 03 wrong length\n",
                                     "HidChannel: get 40 03 gone\n",
                                 }));
}

}  // namespace
}  // namespace lt260
