#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/ProfileSending.h"
#include "protocol/ButtonReport.h"
#include "protocol/SettingsReport.h"
#include "sim/SimulatedMouse.h"
#include "support/FakeClock.h"
#include "support/RecordingPorts.h"

namespace lt260 {
namespace {

using test::FakeClock;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The agent window's side of a send: the channel over the simulated mouse,
// a profile that differs from the mouse's defaults, and a fake clock.
class ProfileSendingTest : public ::testing::Test {
 protected:
  ProfileSendingTest() : mouse_(), channel_(mouse_, debug_) {
    channel_.SetAlternateIds(0x1B80, 0xB412);
    profile_ = DefaultProfileSetting();
    profile_.DPI_Cur = 5;
    profile_.light_type = 2;
    profile_.ButtonAssigned[0].FunctionCode = 0xB0;
    mouse_.ClearTransfers();
  }

  SimulatedMouse mouse_;
  test::RecordingDebugOutput debug_;
  HidChannel channel_;
  FakeClock clock_;
  ProfileSetting profile_{};
};

TEST_F(ProfileSendingTest, RetriesTheSettingsReportThenSendsTheButtons) {
  mouse_.RefuseNextTransfers(2);
  ASSERT_TRUE(SendProfileReports(channel_, profile_, clock_));

  EXPECT_THAT(mouse_.TraceSummary(), ElementsAre("set 40 refused 03", "set 40 refused 03",
                                                 "set 40 accepted 03", "set 2049 accepted 04"));
  // A wait after each refusal, and one before the button report.
  EXPECT_THAT(clock_.Sleeps(), ElementsAre(300, 300, 300));
  const SettingsReportBytes settings = BuildSettingsReport(profile_);
  const ButtonReportBytes buttons = BuildButtonReport(profile_);
  EXPECT_EQ(mouse_.SettingsReport(), std::vector<uint8_t>(settings.begin(), settings.end()));
  EXPECT_EQ(mouse_.ButtonReport(), std::vector<uint8_t>(buttons.begin(), buttons.end()));
  ASSERT_NE(channel_.FeatureDevice(), nullptr);
  EXPECT_EQ(channel_.FeatureDevice()->FeatureReportLength(), 2049);
}

TEST_F(ProfileSendingTest, GivesUpAfterFiveRefusals) {
  mouse_.RefuseNextTransfers(5);
  EXPECT_FALSE(SendProfileReports(channel_, profile_, clock_));
  EXPECT_EQ(mouse_.TraceSummary().size(), 5u);
  EXPECT_THAT(clock_.Sleeps(), ElementsAre(300, 300, 300, 300, 300));
  EXPECT_EQ(channel_.FeatureDevice(), nullptr);
}

TEST_F(ProfileSendingTest, AbsentMouseCostsNoWaitAndNoTransfer) {
  mouse_.Unplug();
  EXPECT_FALSE(SendProfileReports(channel_, profile_, clock_));
  EXPECT_FALSE(SendCommandReport(channel_));
  EXPECT_THAT(mouse_.TraceSummary(), IsEmpty());
  EXPECT_THAT(clock_.Sleeps(), IsEmpty());
  EXPECT_EQ(channel_.FeatureDevice(), nullptr);
}

TEST(ProfileSending, MissingButtonInterfaceStopsAfterTheSettingsReport) {
  SimulatedMouseConfig config;
  std::erase_if(config.Interfaces,
                [](const SimulatedInterface& i) { return i.FeatureReportLength == 2049; });
  SimulatedMouse mouse(config);
  test::RecordingDebugOutput debug;
  HidChannel channel(mouse, debug);
  FakeClock clock;
  EXPECT_FALSE(SendProfileReports(channel, DefaultProfileSetting(), clock));
  EXPECT_THAT(mouse.TraceSummary(), ElementsAre("set 40 accepted 03"));
  EXPECT_EQ(channel.FeatureDevice(), nullptr);
}

TEST_F(ProfileSendingTest, CommandReportIsOneAttemptOnTheEightByteInterface) {
  EXPECT_TRUE(SendCommandReport(channel_));
  mouse_.RefuseNextTransfers(1);
  EXPECT_FALSE(SendCommandReport(channel_));
  EXPECT_THAT(mouse_.TraceSummary(), ElementsAre("set 8 accepted 06", "set 8 refused 06"));
  EXPECT_EQ(mouse_.CommandReport(), (std::vector<uint8_t>{0x06, 0x5A, 0, 0, 0, 0, 0, 0}));
  ASSERT_NE(channel_.FeatureDevice(), nullptr) << "the handle stays open after a refusal";
  EXPECT_EQ(channel_.FeatureDevice()->FeatureReportLength(), 8);
}

}  // namespace
}  // namespace lt260
