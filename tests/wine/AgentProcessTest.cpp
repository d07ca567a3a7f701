// The simulator build of the Agent run as a whole program under Wine, observed
// only from outside: the windows and messages of the Configurator and the
// on-screen display, the settings file, the registry and the simulated mouse's
// transfer log. Each test gets a Wine prefix of its own (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "AgentDriver.h"
#include "ports/MessageNumbers.h"
#include "protocol/ButtonReport.h"
#include "protocol/SettingsReport.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"

namespace lt260 {
namespace {

using namespace driver;
using namespace std::chrono_literals;

constexpr UINT kWmSimPlug = WM_APP + 1;
constexpr UINT kWmSimUnplug = WM_APP + 2;
constexpr UINT kWmSimPressDpi = WM_APP + 3;
constexpr UINT kWmSessionChange = 0x2B1;
constexpr WPARAM kSessionLock = 7;
constexpr WPARAM kSessionUnlock = 8;
// A synchronisation shortly after a successful one is skipped; waiting this
// long before an event makes the Agent really read the mouse back.
constexpr auto kSyncQuietTime = 1200ms;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class AgentProcess : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CleanQuendraAppData(error)) << error;
    folder_ = PrepareInstallation({FromBuildPath(LT260_AGENT_SIM), FromBuildPath(LT260_GAMING),
                                   FromBuildPath(LT260_COMPANION)},
                                  error);
    ASSERT_FALSE(folder_.empty()) << error;
    settings_ = SettingsFilePath();
    ASSERT_FALSE(settings_.empty()) << "no application-data folder";
    simLog_ = folder_ / L"transfers.log";
    gamingLog_ = folder_ / L"gaming.log";
  }

  void TearDown() override {
    // Gaming.exe started by the Agent: closing its window ends it.
    if (HWND gaming = FindWindowTitled(Wide(kConfiguratorWindowTitle));
        gaming != nullptr && (configurator_ == nullptr || gaming != configurator_->Handle())) {
      ::PostMessageW(gaming, WM_CLOSE, 0, 0);
      WaitForNoWindow(Wide(kConfiguratorWindowTitle), 10s);
    }
    if (agent_.Running()) {
      if (HWND window = FindWindowTitled(Wide(kAgentWindowTitle))) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
      }
      agent_.WaitForExit(10s);
    }
  }

  std::vector<std::pair<std::wstring, std::wstring>> Environment(bool pluggedIn) const {
    return {{L"LT260_SIM_LOG", simLog_.wstring()},
            {L"LT260_SIM_UNPLUGGED", pluggedIn ? L"0" : L"1"},
            {L"LT260_CONFIGURATOR_LOG", gamingLog_.wstring()}};
  }

  // Starts the Agent and waits for its window.
  void StartAgent(bool pluggedIn) {
    std::string error;
    ASSERT_TRUE(agent_.Start(folder_ / L"LT260AgentSim.exe", Environment(pluggedIn), error))
        << error;
    agentWindow_ = WaitForWindow(Wide(kAgentWindowTitle));
    ASSERT_NE(agentWindow_, nullptr) << "the agent window did not appear";
  }

  // The stand-in Configurator window, opened before the Agent starts so that
  // the Agent does not start Gaming.exe.
  void OpenConfigurator() {
    configurator_ = std::make_unique<StandInWindow>(Wide(kConfiguratorWindowTitle));
    std::string error;
    ASSERT_TRUE(configurator_->Open(error)) << error;
  }

  // Starts the Agent with the mouse and waits for the end of its start-up:
  // the first synchronisation told the Configurator and "Device" says 1.
  void StartWithMouse() {
    ASSERT_NO_FATAL_FAILURE(OpenConfigurator());
    ASSERT_NO_FATAL_FAILURE(StartAgent(true));
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, 1))
        << "no WM_CFG_SYNC_DONE after start-up";
    Fence();
    ASSERT_EQ(Setting(u"Device"), 1) << "\"Device\" was not written as 1 at start-up";
  }

  // Returns once the agent window has handled everything posted to it
  // before: the command report asked for now has reached the mouse. The
  // settings file is read only after such a fence (or after a message that
  // the Agent posts when its writes are done), never polled: the Agent
  // replaces the file when it writes, and a reader holding it open at that
  // moment would make the write fail.
  void Fence() { TransfersUntilFence(Transfers().size()); }

  std::optional<int32_t> Setting(std::u16string_view key) const {
    return ReadSettingsInt(settings_, kGlobalSection, key);
  }

  std::vector<Transfer> Transfers() {
    std::string error;
    // The control window writes the trace after every control message.
    EXPECT_TRUE(ControlSimulatedMouse(WM_APP + 5, 0, error)) << error;
    std::vector<Transfer> transfers = ReadTransferLog(simLog_, error);
    EXPECT_EQ(error, "");
    return transfers;
  }

  // Waits until a transfer after the first `from` satisfies `match`; its
  // index, or -1.
  template <typename Match>
  ptrdiff_t WaitForTransfer(size_t from, Match match) {
    ptrdiff_t found = -1;
    WaitUntil([&] {
      std::vector<Transfer> transfers = Transfers();
      for (size_t i = from; i < transfers.size(); ++i) {
        if (match(transfers[i])) {
          found = static_cast<ptrdiff_t>(i);
          return true;
        }
      }
      return false;
    });
    return found;
  }

  // Asks the Agent for the command report and waits for it, so that every
  // message posted to the agent window before has been handled. Returns the
  // transfers from `from` up to the command report, which must be none.
  std::vector<Transfer> TransfersUntilFence(size_t from) {
    std::string error;
    EXPECT_TRUE(Post(agentWindow_, WM_AGENT_DEVICE_COMMAND, 0, 0, error)) << error;
    ptrdiff_t fence =
        WaitForTransfer(from, [](const Transfer& t) { return t.Kind == "set" && t.Length == 8; });
    EXPECT_GE(fence, 0) << "the command report of WM_AGENT_DEVICE_COMMAND never reached the mouse";
    std::vector<Transfer> transfers = Transfers();
    size_t end = fence < 0 ? transfers.size() : static_cast<size_t>(fence);
    return {transfers.begin() + static_cast<ptrdiff_t>(std::min(from, end)),
            transfers.begin() + static_cast<ptrdiff_t>(end)};
  }

  std::vector<std::string> TransferLines(const std::vector<Transfer>& transfers) {
    std::vector<std::string> lines;
    for (const Transfer& transfer : transfers) lines.push_back(transfer.Line.substr(0, 40));
    return lines;
  }

  // The section of the active profile, as a Configurator finds it.
  std::u16string ActiveProfileSection() const {
    GlobalSetting global{};
    ReadGlobalSetting(settings_, global);
    return ProfileSectionName(global.ProfileMap[ActiveSlot(global)]);
  }

  // Posts the reload and waits until the button report has been sent;
  // returns the index of the first transfer after the post.
  size_t ReloadAndWaitForButtonReport() {
    size_t from = Transfers().size();
    std::string error;
    EXPECT_TRUE(Post(agentWindow_, WM_AGENT_RELOAD, 0, 0, error)) << error;
    EXPECT_GE(WaitForTransfer(
                  from, [](const Transfer& t) { return t.Kind == "set" && t.Length == 2049; }),
              0)
        << "WM_AGENT_RELOAD did not send the button-assignment report";
    return from;
  }

  std::filesystem::path folder_;
  std::filesystem::path settings_;
  std::filesystem::path simLog_;
  std::filesystem::path gamingLog_;
  ChildProcess agent_;
  HWND agentWindow_ = nullptr;
  std::unique_ptr<StandInWindow> configurator_;
};

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

  EXPECT_TRUE(agent_.Running()) << "the first Agent ended";
  EXPECT_EQ(FindWindowTitled(Wide(kAgentWindowTitle)), agentWindow_);
  EXPECT_EQ(TransferLines(TransfersUntilFence(transfersBefore)), std::vector<std::string>{});
  EXPECT_EQ(Bytes(settings_), fileBefore) << "the settings file changed";
  EXPECT_EQ(configurator_->Messages().size(), messagesBefore)
      << "the Configurator window was sent something";
}

TEST_F(AgentProcess, StartWithoutMouseAppliesPreferencesAndStartsNoConfigurator) {
  ASSERT_NO_FATAL_FAILURE(StartAgent(false));
  auto registry = [](const wchar_t* name) { return ReadMouseRegistryValue(name).value_or(L"-"); };
  auto preferences = [&] {
    return Narrow(registry(L"DoubleClickSpeed") + L" " + registry(L"MouseSpeed") + L" " +
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
  EXPECT_EQ(FindWindowTitled(Wide(kConfiguratorWindowTitle)), nullptr);
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
  ASSERT_NE(WaitForWindow(Wide(kConfiguratorWindowTitle)), nullptr);
  Fence();
  EXPECT_EQ(Setting(u"Device"), 1);

  // Device changes tell the running Configurator, and start no other.
  std::this_thread::sleep_for(kSyncQuietTime);
  std::string error;
  ASSERT_TRUE(ControlSimulatedMouse(kWmSimUnplug, 0, error)) << error;
  EXPECT_TRUE(WaitUntil([&] {
    std::vector<std::string> lines = ReadTextLines(gamingLog_);
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find("message=0x915 wParam=0x917") != std::string::npos;
    });
  })) << "Gaming.exe was not told that the mouse is gone";
  std::this_thread::sleep_for(kSyncQuietTime);
  size_t from = Transfers().size();
  ASSERT_TRUE(ControlSimulatedMouse(kWmSimPlug, 0, error)) << error;
  EXPECT_GE(WaitForTransfer(from, [](const Transfer& t) { return t.Kind == "get"; }), 0)
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
  const std::u16string section = ActiveProfileSection();
  std::string error;
  for (auto [key, value] : {std::pair{u"DPI_Cur", 2},
                            {u"DPI_Value1", 12},
                            {u"light_type", 3},
                            {u"light_speed", 1},
                            {u"POLLRATE_VALUE", 1}}) {
    ASSERT_TRUE(WriteSettingsInt(settings_, section, key, value, error)) << error;
  }
  size_t from = ReloadAndWaitForButtonReport();

  // What the profile encodes, read from the file the way the Agent reads it.
  std::filesystem::path copy = folder_ / L"GamingMouse.copy";
  std::filesystem::copy_file(settings_, copy, std::filesystem::copy_options::overwrite_existing);
  SettingsFile loaded{}, applied{};
  ProfileSetting active{};
  LoadSettings(copy, loaded, applied, active);
  const SettingsReportBytes settingsReport = BuildSettingsReport(active);
  const ButtonReportBytes buttonReport = BuildButtonReport(active);

  std::vector<Transfer> transfers = Transfers();
  std::vector<std::string> sets;
  for (size_t i = from; i < transfers.size(); ++i) {
    if (transfers[i].Kind != "set") continue;
    const Transfer& t = transfers[i];
    sets.push_back(t.Line.substr(0, 20));
    if (t.Length == 40 && t.Accepted) {
      EXPECT_EQ(Hex(t.Bytes.data(), t.Bytes.size()),
                Hex(settingsReport.data(), settingsReport.size()));
    } else if (t.Length == 2049 && t.Accepted) {
      EXPECT_EQ(Hex(t.Bytes.data(), t.Bytes.size()), Hex(buttonReport.data(), buttonReport.size()));
    }
  }
  EXPECT_EQ(sets, (std::vector<std::string>{"set 40 accepted 03 0", "set 2049 accepted 04"}));
}

TEST_F(AgentProcess, DpiButtonTellsConfiguratorAndFile) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  std::string error;
  ASSERT_TRUE(WriteSettingsInt(settings_, kGlobalSection, u"Active", 2, error)) << error;
  ReloadAndWaitForButtonReport();

  ASSERT_TRUE(ControlSimulatedMouse(kWmSimPressDpi, 4, error)) << error;
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
  ASSERT_TRUE(ControlSimulatedMouse(kWmSimUnplug, 0, error)) << error;
  ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 1))
      << "no WM_CFG_DEVICE_ABSENT after the unplug";
  ReceivedMessage absent = configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).front();
  EXPECT_EQ(absent.WParam, kDeviceAbsentWParam);
  EXPECT_EQ(absent.LParam, 0);
  // An unplug does not write the presence flag.
  EXPECT_EQ(Setting(u"Device"), 1);
}

TEST_F(AgentProcess, LockIgnoresDeviceChangesAndUnlockSynchronises) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  std::string error;
  ASSERT_TRUE(Post(agentWindow_, kWmSessionChange, kSessionLock, 0, error)) << error;
  Fence();
  ASSERT_EQ(Setting(u"Device"), 0) << "locking did not write \"Device\" 0";

  const size_t from = Transfers().size();
  ASSERT_TRUE(ControlSimulatedMouse(kWmSimUnplug, 0, error)) << error;
  ASSERT_TRUE(ControlSimulatedMouse(kWmSimPlug, 0, error)) << error;
  EXPECT_EQ(TransferLines(TransfersUntilFence(from)), std::vector<std::string>{})
      << "device changes were acted on while locked";
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size(), 0u);
  EXPECT_EQ(Setting(u"Device"), 0);

  std::this_thread::sleep_for(kSyncQuietTime);
  const size_t syncsBefore = configurator_->MessagesOf(WM_CFG_SYNC_DONE).size();
  const size_t beforeUnlock = Transfers().size();
  ASSERT_TRUE(Post(agentWindow_, kWmSessionChange, kSessionUnlock, 0, error)) << error;
  EXPECT_GE(WaitForTransfer(beforeUnlock, [](const Transfer& t) { return t.Kind == "get"; }), 0)
      << "unlocking did not read the mouse back";
  EXPECT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, syncsBefore + 1));
  Fence();
  EXPECT_EQ(Setting(u"Device"), 1) << "unlocking did not write \"Device\" 1";
}

TEST_F(AgentProcess, DestroyingTheWindowTellsThePeersAndEndsTheProcess) {
  StandInWindow osd(Wide(kOsdWindowTitle));
  std::string error;
  ASSERT_TRUE(osd.Open(error)) << error;
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());

  ASSERT_TRUE(Post(agentWindow_, WM_CLOSE, 0, 0, error)) << error;
  std::optional<DWORD> exitCode = agent_.WaitForExit();
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
  EXPECT_NE(FindWindowTitled(Wide(kOsdWindowTitle)), nullptr)
      << "the stand-in's window should outlive the messages";
}

}  // namespace
}  // namespace lt260
