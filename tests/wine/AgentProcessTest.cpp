// The simulator build of the Agent run as a whole program under Wine, observed
// only from outside: the windows and messages of the Configurator and the
// on-screen display, the settings file, the registry and the simulated mouse's
// transfer log. Each test gets a Wine prefix of its own (see CMakeLists.txt).
#include "AgentProcessFixture.h"
#include "cli/SteadyClock.h"
#include "protocol/ButtonReport.h"
#include "protocol/SettingsReport.h"

namespace lt260 {
namespace {

TEST_F(AgentProcess, SecondStartEndsAtOnceAndDisturbsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  const std::string fileBefore = Bytes(settings_);
  const size_t transfersBefore = Transfers().size();
  const size_t messagesBefore = configurator_->Messages().size();

  ChildProcess second;
  std::string error;
  ASSERT_TRUE(second.Start(folder_ / L"LT260AgentSim.exe", Environment(true), error)) << error;
  std::optional<DWORD> exitCode = second.WaitForExit();
  ASSERT_TRUE(exitCode.has_value()) << "the second Agent did not end";
  EXPECT_EQ(*exitCode, 0u);

  EXPECT_TRUE(agent_->Running()) << "the first Agent ended";
  EXPECT_EQ(FindWindowTitled(win32::AsWide(kAgentWindowTitle)), agentWindow_);
  EXPECT_EQ(TransferLines(TransfersUntilFence(transfersBefore)), std::vector<std::string>{});
  EXPECT_EQ(Bytes(settings_), fileBefore) << "the settings file changed";
  EXPECT_EQ(configurator_->Messages().size(), messagesBefore)
      << "the Configurator window was sent something";
}

TEST_F(AgentProcess, StartWithoutMouseAppliesPreferencesAndStartsNoConfigurator) {
  ASSERT_NO_FATAL_FAILURE(StartAgent(false));
  auto registry = [](const wchar_t* name) { return ReadMouseRegistryValue(name).value_or(L"-"); };
  auto preferences = [&] {
    return win32::Utf8(registry(L"DoubleClickSpeed") + L" " + registry(L"MouseSpeed") + L" " +
                       registry(L"MouseThreshold1") + L" " + registry(L"MouseThreshold2"));
  };
  // The default profile: double click 680 ms, no acceleration.
  EXPECT_TRUE(WaitUntil([&] { return preferences() == "680 0 0 0"; })) << preferences();
  // The preferences come after the presence flag.
  EXPECT_EQ(Setting(u"Device"), 0) << "\"Device\" was not written as 0";

  std::string error;
  ASSERT_TRUE(WriteSettingsInt(settings_, ActiveProfileSection(), u"mouse_enhance", 1, error))
      << error;
  ASSERT_TRUE(Post(agentWindow_, WM_AGENT_RELOAD, 0, 0, error)) << error;
  EXPECT_TRUE(WaitUntil([&] { return preferences() == "680 1 6 10"; })) << preferences();

  // The reload came after start-up: had the Agent started the Configurator,
  // its first line would be there by now.
  EXPECT_EQ(FindWindowTitled(win32::AsWide(kConfiguratorWindowTitle)), nullptr);
  EXPECT_EQ(ReadTextLines(gamingLog_), std::vector<std::string>{});
  EXPECT_EQ(Setting(u"Device"), 0);
}

TEST_F(AgentProcess, StartWithMouseStartsGamingOnce) {
  ASSERT_NO_FATAL_FAILURE(StartAgent(true));
  auto startedLines = [&] {
    std::vector<std::string> lines = ReadTextLines(gamingLog_);
    return std::count(lines.begin(), lines.end(), "started");
  };
  ASSERT_TRUE(WaitUntil([&] { return startedLines() >= 1; })) << "Gaming.exe was not started";
  ASSERT_NE(WaitForWindow(win32::AsWide(kConfiguratorWindowTitle)), nullptr);
  Fence();
  EXPECT_EQ(Setting(u"Device"), 1);

  // Device changes tell the running Configurator, and start no other.
  std::this_thread::sleep_for(kSyncQuietTime);
  std::string error;
  ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_UNPLUG, 0, error)) << error;
  EXPECT_TRUE(WaitUntil([&] {
    std::vector<std::string> lines = ReadTextLines(gamingLog_);
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("message=0x915 wParam=0x917") != std::string::npos;
    });
  })) << "Gaming.exe was not told that the mouse is gone";
  std::this_thread::sleep_for(kSyncQuietTime);
  size_t from = Transfers().size();
  ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PLUG, 0, error)) << error;
  EXPECT_GE(WaitForTransfer(
                from, [](const TransferRecord& t) { return t.Kind == TransferKind::GetFeature; }),
            0)
      << "plugging the mouse in did not read it back";
  EXPECT_TRUE(WaitUntil([&] {
    std::vector<std::string> lines = ReadTextLines(gamingLog_);
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("message=0x505") != std::string::npos;
    });
  })) << "Gaming.exe was not told of the read-back";
  TransfersUntilFence(Transfers().size());
  EXPECT_EQ(startedLines(), 1);
}

TEST_F(AgentProcess, ReloadProgramsTheMouseWithTheActiveProfile) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  // Edits as the Configurator makes them, then the request to take them over.
  ASSERT_NO_FATAL_FAILURE(EditActiveProfile());
  size_t from = ReloadAndWaitForButtonReport();

  // What the profile encodes, read from the file the way the Agent reads it.
  const ProfileSetting active = LoadActiveProfile();
  const SettingsReportBytes settingsReport = BuildSettingsReport(active);
  const ButtonReportBytes buttonReport = BuildButtonReport(active);

  std::vector<TransferRecord> transfers = Transfers();
  std::vector<std::string> sets;
  for (size_t i = from; i < transfers.size(); ++i) {
    if (transfers[i].Kind != TransferKind::SetFeature) continue;
    const TransferRecord& t = transfers[i];
    sets.push_back(TraceLine(t).substr(0, 20));
    if (t.FeatureLength == 40 && t.Accepted) {
      EXPECT_EQ(TraceBytes(t.Bytes), TraceBytes(settingsReport));
    } else if (t.FeatureLength == 2049 && t.Accepted) {
      EXPECT_EQ(TraceBytes(t.Bytes), TraceBytes(buttonReport));
    }
  }
  EXPECT_EQ(sets, (std::vector<std::string>{"set 40 accepted 03 0", "set 2049 accepted 04"}));
}

TEST_F(AgentProcess, DpiButtonTellsConfiguratorAndFile) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  std::string error;
  ASSERT_TRUE(WriteSettingsInt(settings_, kGlobalSection, u"Active", 2, error)) << error;
  ReloadAndWaitForButtonReport();

  ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PRESS_DPI, 4, error)) << error;
  ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DPI_STAGE, 1))
      << "no WM_CFG_DPI_STAGE after the DPI button";
  ReceivedMessage stage = configurator_->MessagesOf(WM_CFG_DPI_STAGE).front();
  EXPECT_TRUE(stage.Posted);
  EXPECT_EQ(stage.WParam, 2u) << "wParam is the active profile";
  EXPECT_EQ(stage.LParam, 3) << "lParam is the stage less one";
  EXPECT_EQ(ReadSettingsInt(settings_, ProfileSectionName(2), u"DPI_Cur"), 4);
}

TEST_F(AgentProcess, UnplugTellsConfiguratorTheMouseIsAbsent) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  std::this_thread::sleep_for(kSyncQuietTime);
  std::string error;
  ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_UNPLUG, 0, error)) << error;
  ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 1))
      << "no WM_CFG_DEVICE_ABSENT after the unplug";
  ReceivedMessage absent = configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).front();
  EXPECT_EQ(absent.WParam, kDeviceAbsentWParam);
  EXPECT_EQ(absent.LParam, 0);
  // The notices of one unplug are looked at once, after they settle (well
  // within this wait; the mouse is gone, so no fence can be sent through it).
  std::this_thread::sleep_for(kSyncQuietTime);
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size(), 1u);
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_SYNC_DONE).size(), 1u) << "only the start's";
  // An unplug does not write the presence flag.
  EXPECT_EQ(Setting(u"Device"), 1);
}

TEST_F(AgentProcess, LockIgnoresDeviceChangesAndUnlockSynchronises) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  std::string error;
  ASSERT_TRUE(Post(agentWindow_, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, error)) << error;
  Fence();
  ASSERT_EQ(Setting(u"Device"), 0) << "locking did not write \"Device\" 0";

  const size_t from = Transfers().size();
  ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_UNPLUG, 0, error)) << error;
  ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PLUG, 0, error)) << error;
  EXPECT_EQ(TransferLines(TransfersUntilFence(from)), std::vector<std::string>{})
      << "device changes were acted on while locked";
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size(), 0u);
  EXPECT_EQ(Setting(u"Device"), 0);

  std::this_thread::sleep_for(kSyncQuietTime);
  const size_t syncsBefore = configurator_->MessagesOf(WM_CFG_SYNC_DONE).size();
  const size_t beforeUnlock = Transfers().size();
  ASSERT_TRUE(Post(agentWindow_, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, error)) << error;
  EXPECT_GE(
      WaitForTransfer(beforeUnlock,
                      [](const TransferRecord& t) { return t.Kind == TransferKind::GetFeature; }),
      0)
      << "unlocking did not read the mouse back";
  EXPECT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, syncsBefore + 1));
  Fence();
  EXPECT_EQ(Setting(u"Device"), 1) << "unlocking did not write \"Device\" 1";
}

TEST_F(AgentProcess, DestroyingTheWindowTellsThePeersAndEndsTheProcess) {
  StandInWindow osd(win32::AsWide(kOsdWindowTitle));
  std::string error;
  ASSERT_TRUE(osd.Open(error)) << error;
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());

  ASSERT_TRUE(Post(agentWindow_, WM_CLOSE, 0, 0, error)) << error;
  std::optional<DWORD> exitCode = agent_->WaitForExit();
  ASSERT_TRUE(exitCode.has_value()) << "the Agent did not end after its window was closed";
  EXPECT_EQ(*exitCode, 0u);

  ASSERT_TRUE(configurator_->WaitForMessages(WM_COMMAND, 1));
  ReceivedMessage command = configurator_->MessagesOf(WM_COMMAND).front();
  EXPECT_TRUE(command.Posted);
  EXPECT_EQ(command.WParam, 0xFFFFFFFFu);
  EXPECT_EQ(command.LParam, 0);

  ASSERT_TRUE(WaitUntil([&] { return osd.MessagesOf(WM_CLOSE).size() >= 1; }));
  std::vector<UINT> ending;
  for (const ReceivedMessage& message : osd.Messages()) {
    if (message.Message == WM_DESTROY || message.Message == WM_CLOSE) {
      EXPECT_TRUE(message.Posted);
      ending.push_back(message.Message);
    }
  }
  EXPECT_EQ(ending, (std::vector<UINT>{WM_DESTROY, WM_CLOSE}));
  EXPECT_NE(FindWindowTitled(win32::AsWide(kOsdWindowTitle)), nullptr)
      << "the stand-in's window should outlive the messages";
}

// A program that saves safely, or a sync tool, holds the settings file the
// way Wine's conformance test of the profile functions does: created through
// a handle that writes it, deletes it when closed and shares only reading,
// the user's settings written through it, still open. A reload reads them and
// programs the mouse and Windows with them, not with the defaults.
TEST_F(AgentProcess, ReloadReadsTheFileWhileAnotherProgramHoldsItForDeletion) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  const std::filesystem::path user = folder_ / L"GamingMouse.user";
  std::filesystem::copy_file(settings_, user, std::filesystem::copy_options::overwrite_existing);
  const std::u16string section = ActiveProfileSection();
  std::string error;
  for (auto [key, value] : {std::pair{u"DPI_Cur", 2},
                            {u"DPI_Value1", 12},
                            {u"light_type", 3},
                            {u"POLLRATE_VALUE", 1},
                            {u"mouse_enhance", 1}}) {
    ASSERT_TRUE(WriteSettingsInt(user, section, key, value, error)) << error;
  }
  const std::string userBytes = Bytes(user);

  HANDLE holder = ::CreateFileW(settings_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE) << "could not hold the settings file";
  DWORD written = 0;
  const bool wrote = ::WriteFile(holder, userBytes.data(), static_cast<DWORD>(userBytes.size()),
                                 &written, nullptr) &&
                     written == userBytes.size();
  EXPECT_TRUE(wrote) << "could not write through the handle";
  size_t from = wrote ? ReloadAndWaitForButtonReport() : 0;
  auto registry = [](const wchar_t* name) { return ReadMouseRegistryValue(name).value_or(L"-"); };
  const std::string acceleration =
      win32::Utf8(registry(L"MouseSpeed") + L" " + registry(L"MouseThreshold1"));
  ::CloseHandle(holder);
  ASSERT_TRUE(wrote);

  SettingsFile loaded{}, applied{};
  ProfileSetting userProfile{};
  SteadyClock clock;
  LoadSettings(user, loaded, applied, userProfile, clock);
  ASSERT_EQ(userProfile.POLLRATE_VALUE, 1);
  const SettingsReportBytes settingsReport = BuildSettingsReport(userProfile);
  const ButtonReportBytes buttonReport = BuildButtonReport(userProfile);
  std::vector<std::string> sent;
  std::vector<TransferRecord> transfers = Transfers();
  for (size_t i = from; i < transfers.size(); ++i) {
    const TransferRecord& t = transfers[i];
    if (t.Kind != TransferKind::SetFeature || !t.Accepted) continue;
    sent.push_back(TraceLine(t).substr(0, 20));
    if (t.FeatureLength == 40) {
      EXPECT_EQ(TraceBytes(t.Bytes), TraceBytes(settingsReport))
          << "the settings report is not the user's profile";
    } else if (t.FeatureLength == 2049) {
      EXPECT_EQ(TraceBytes(t.Bytes), TraceBytes(buttonReport));
    }
  }
  EXPECT_EQ(sent, (std::vector<std::string>{"set 40 accepted 03 0", "set 2049 accepted 04"}));
  EXPECT_EQ(acceleration, "1 6") << "the user's pointer acceleration was not applied";
}

}  // namespace
}  // namespace lt260
