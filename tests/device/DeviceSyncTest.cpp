#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "device/DeviceSync.h"
#include "protocol/SettingsReport.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "sim/SimulatedMouse.h"
#include "support/FakeClock.h"
#include "support/RecordingPorts.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

using test::FakeClock;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::unique_ptr<SettingsFile> DefaultSettings() {
  auto settings = std::make_unique<SettingsFile>();
  settings->Global = DefaultGlobalSetting();
  for (ProfileSetting& profile : settings->Profiles) profile = DefaultProfileSetting();
  return settings;
}

// A macro of one key tapped, as the Configurator stores it.
ButtonAssignment TapMacro(int buttonIndex, int32_t macroIndex) {
  ButtonAssignment macro = ResetButtonAssignmentFor(buttonIndex);
  macro.FunctionCode = kMacroFunctionCode;
  macro.MacroEvents[0] = {0x14, 0, 1};
  macro.MacroEvents[1] = {kMacroDelayCode, 0, 50};
  macro.MacroEvents[2] = {0x14, 0, 0};
  macro.MacroEventCount = 3;
  macro.MacroIndex = macroIndex;
  return macro;
}

// The agent window's side of a synchronisation, over the simulated mouse.
class DeviceSyncTest : public ::testing::Test {
 protected:
  explicit DeviceSyncTest(SimulatedMouseConfig config = {})
      : mouse_(std::move(config)),
        channel_(mouse_, debug_),
        loaded_(DefaultSettings()),
        settingsPath_(dir_ / "GamingMouse"),
        bulletPath_(dir_ / "BulletSetting"),
        target_{channel_, clock_, *loaded_, active_, settingsPath_, bulletPath_, lastSyncTick_} {
    active_ = loaded_->Profiles[0];
  }

  SyncOutcome Sync() { return SyncFromDevice(target_); }

  test::TempDir dir_;
  SimulatedMouse mouse_;
  test::RecordingWindowMessages windows_;
  test::RecordingDebugOutput debug_;
  HidChannel channel_;
  FakeClock clock_;
  std::unique_ptr<SettingsFile> loaded_;
  ProfileSetting active_{};
  std::filesystem::path settingsPath_;
  std::filesystem::path bulletPath_;
  std::optional<uint32_t> lastSyncTick_;
  DeviceSyncTarget target_;
};

TEST_F(DeviceSyncTest, AdoptsTheMousesStateAndSavesIt) {
  ProfileSetting programmed = DefaultProfileSetting();
  programmed.DPI_Cur = 6;
  programmed.POLLRATE_VALUE = 3;
  programmed.light_type = 4;
  programmed.light_Color[3] = 0x204080;
  programmed.DPI_Color[2] = 0x123456;
  programmed.DPI_Value[0] = 9;  // not read back
  programmed.ButtonAssigned[0].FunctionCode = 0xC3;
  programmed.ButtonAssigned[1] = TapMacro(1, 4);
  mouse_.ProgramProfile(programmed);
  loaded_->Profiles[0].ButtonAssigned[1] = TapMacro(1, 4);
  mouse_.ClearTransfers();

  ASSERT_EQ(Sync(), SyncOutcome::Read);
  EXPECT_THAT(mouse_.TraceSummary(), ElementsAre("get 40 accepted 03", "get 2049 accepted 04"));
  EXPECT_THAT(clock_.Sleeps(), ElementsAre(300));
  EXPECT_EQ(active_.DPI_Cur, 6);
  EXPECT_EQ(active_.POLLRATE_VALUE, 3);
  EXPECT_EQ(active_.light_type, 4);
  EXPECT_EQ(active_.light_Color[3], 0x204080);
  EXPECT_EQ(active_.DPI_Color[2], 0x123456);
  EXPECT_EQ(active_.DPI_Value[0], 2);
  EXPECT_EQ(active_.ButtonAssigned[0].FunctionCode, 0xC3);
  EXPECT_EQ(active_.ButtonAssigned[0].MacroIndex, 0) << "fixed functions read back all zero";
  EXPECT_EQ(active_.ButtonAssigned[1].FunctionCode, kMacroFunctionCode);
  EXPECT_EQ(active_.ButtonAssigned[1].MacroEventCount, 3);
  EXPECT_EQ(active_.ButtonAssigned[1].MacroIndex, 4) << "the same macro keeps its index";
  EXPECT_EQ(active_.ButtonAssigned[6].FunctionCode, 0xA1);

  ProfileSetting saved{};
  ReadProfileSetting(settingsPath_, 0, saved);
  EXPECT_EQ(std::memcmp(&saved, &active_, sizeof saved), 0);
  EXPECT_EQ(lastSyncTick_, clock_.TickCount());
  ASSERT_NE(channel_.FeatureDevice(), nullptr);
  EXPECT_EQ(channel_.FeatureDevice()->FeatureReportLength(), 2049);
  EXPECT_FALSE(std::filesystem::exists(bulletPath_));
}

TEST_F(DeviceSyncTest, ChangedMacroLosesItsIndexAndCurrentNamesTheSection) {
  ButtonAssignment onMouse = TapMacro(2, 9);
  onMouse.MacroEvents[0].Code = 0x15;
  onMouse.MacroEvents[2].Code = 0x15;
  ProfileSetting programmed = DefaultProfileSetting();
  programmed.ButtonAssigned[2] = onMouse;
  mouse_.ProgramProfile(programmed);
  loaded_->Profiles[0].ButtonAssigned[2] = TapMacro(2, 9);
  loaded_->Global.Current = 4;

  ASSERT_EQ(Sync(), SyncOutcome::Read);
  EXPECT_EQ(active_.ButtonAssigned[2].MacroIndex, -1);
  EXPECT_EQ(IniFile(settingsPath_, clock_).ReadInt(u"Profile4Setting", u"DPI_Cur", -1), 3);
  EXPECT_EQ(IniFile(settingsPath_, clock_).ReadInt(u"Profile0Setting", u"DPI_Cur", -1), -1);
}

TEST_F(DeviceSyncTest, SuccessOpensAOneSecondWindowAcrossTheCounterWrap) {
  clock_.Set(0xFFFFFE00);
  ASSERT_EQ(Sync(), SyncOutcome::Read);
  const uint32_t done = *lastSyncTick_;
  mouse_.ClearTransfers();
  windows_.Clear();

  clock_.Set(done + 999);  // past the wrap
  EXPECT_EQ(Sync(), SyncOutcome::TakenAsRead);
  EXPECT_THAT(mouse_.TraceSummary(), IsEmpty());
  EXPECT_EQ(lastSyncTick_, done);

  clock_.Set(done + 1000);
  EXPECT_EQ(Sync(), SyncOutcome::Read);
  EXPECT_EQ(mouse_.TraceSummary().size(), 2u);
}

TEST_F(DeviceSyncTest, FirstRunIsNeverDebouncedEvenNearTickZero) {
  clock_.Set(500);
  EXPECT_EQ(Sync(), SyncOutcome::Read);
  EXPECT_EQ(mouse_.TraceSummary().size(), 2u);
}

TEST_F(DeviceSyncTest, AbsentMouseChangesNothing) {
  mouse_.Unplug();
  const ProfileSetting before = active_;
  EXPECT_EQ(Sync(), SyncOutcome::NotRead);
  EXPECT_EQ(std::memcmp(&before, &active_, sizeof before), 0);
  EXPECT_FALSE(std::filesystem::exists(settingsPath_));
  EXPECT_FALSE(lastSyncTick_.has_value());
  EXPECT_THAT(clock_.Sleeps(), IsEmpty());
}

TEST_F(DeviceSyncTest, RefusedSettingsReadClosesTheInterface) {
  mouse_.RefuseNextTransfers(1);
  EXPECT_EQ(Sync(), SyncOutcome::NotRead);
  EXPECT_EQ(channel_.FeatureDevice(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(settingsPath_));
}

class DeviceSyncWithoutButtonInterfaceTest : public DeviceSyncTest {
 protected:
  static SimulatedMouseConfig WithoutButtonInterface() {
    SimulatedMouseConfig config;
    std::erase_if(config.Interfaces,
                  [](const SimulatedInterface& i) { return i.FeatureReportLength == 2049; });
    return config;
  }
  DeviceSyncWithoutButtonInterfaceTest() : DeviceSyncTest(WithoutButtonInterface()) {}
};

TEST_F(DeviceSyncWithoutButtonInterfaceTest, SettingsAdoptedInMemoryButNothingSaved) {
  ProfileSetting programmed = DefaultProfileSetting();
  programmed.DPI_Cur = 1;
  mouse_.ProgramProfile(programmed);
  EXPECT_EQ(Sync(), SyncOutcome::NotRead);
  EXPECT_EQ(active_.DPI_Cur, 1);
  EXPECT_FALSE(std::filesystem::exists(settingsPath_));
  EXPECT_FALSE(lastSyncTick_.has_value());
  EXPECT_EQ(channel_.FeatureDevice(), nullptr);
}

TEST_F(DeviceSyncTest, BulletMacroIsSavedUnderItsProfileSection) {
  loaded_->Profiles[0].ButtonAssigned[3].MacroIndex = 11;
  SimulatedMouse::BulletMacro bullet;
  bullet.BulletProfile = 3;
  bullet.Movements = {{0x02, 0x05}, {0xFE, 0x10}};
  mouse_.HoldBulletMacro(3, bullet);

  ASSERT_EQ(Sync(), SyncOutcome::Read);
  const ButtonAssignment& read = active_.ButtonAssigned[3];
  EXPECT_EQ(read.FunctionCode, 0x99);
  EXPECT_EQ(read.MacroEvents[0].Code, 4) << "left-button events carry the bullet profile + 1";
  EXPECT_EQ(read.MacroIndex, 11);

  IniFile bullets(bulletPath_, clock_);
  EXPECT_EQ(bullets.ReadInt(u"BulletProfile2", u"BulletNum", -1), 2);
  std::array<uint8_t, sizeof read.MacroEvents> saved{};
  ASSERT_TRUE(bullets.ReadStruct(u"BulletProfile2", u"Macro", saved));
  EXPECT_EQ(std::memcmp(saved.data(), read.MacroEvents.data(), saved.size()), 0);
}

TEST_F(DeviceSyncTest, BulletMacroWithoutProfileIsNotSaved) {
  SimulatedMouse::BulletMacro bullet;
  bullet.BulletProfile = 0;
  mouse_.HoldBulletMacro(3, bullet);
  loaded_->Profiles[0].ButtonAssigned[3].MacroIndex = 11;
  ASSERT_EQ(Sync(), SyncOutcome::Read);
  EXPECT_EQ(active_.ButtonAssigned[3].MacroEvents[0].Code, 1);
  EXPECT_EQ(active_.ButtonAssigned[3].MacroIndex, -1);
  EXPECT_FALSE(std::filesystem::exists(bulletPath_));
}

// Light types 8 to 15 are not the mouse's to report. Their colour lands in the
// first slot, as type 0's does, and the cycle colours and the brightness
// colour that lie after the seven colours come through, in memory and in the
// file. A record whose Active names no slot is compared with slot 0.
TEST_F(DeviceSyncTest, LightTypeBeyondTheColoursOverwritesNothingElse) {
  loaded_->Global.Active = 99;
  for (const uint8_t mode : {uint8_t{0x80}, uint8_t{0xE0}, uint8_t{0xF0}}) {
    SCOPED_TRACE(mode);
    active_ = DefaultProfileSetting();
    active_.light_bright_colorID = 4;
    const ProfileSetting before = active_;
    std::vector<uint8_t> report = mouse_.SettingsReport();
    report[3] = mode;
    report[5] = 0x11;
    report[6] = 0x22;
    report[7] = 0x33;
    mouse_.SetSettingsReport(report);
    clock_.Advance(kSyncDebounceMilliseconds);

    ASSERT_EQ(Sync(), SyncOutcome::Read);
    EXPECT_EQ(active_.light_type, mode >> 4) << "kept as read; validation resets it";
    EXPECT_EQ(active_.light_Color[0], 0x332211);
    EXPECT_EQ(active_.light_Cycle, before.light_Cycle);
    EXPECT_EQ(active_.light_bright_colorID, 4);
    ProfileSetting saved{};
    ReadProfileSetting(settingsPath_, 0, saved);
    EXPECT_EQ(saved.light_Cycle, before.light_Cycle);
    EXPECT_EQ(saved.light_bright_colorID, 4);
    EXPECT_TRUE(std::equal(saved.light_Color.begin() + 1, saved.light_Color.end(),
                           before.light_Color.begin() + 1));
  }
}

}  // namespace
}  // namespace lt260
