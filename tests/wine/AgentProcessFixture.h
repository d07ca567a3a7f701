#pragma once

// The fixture of the process tests: the simulator build of the Agent run as a
// whole program under Wine, in an installation folder of its own, with a
// stand-in Configurator, observed only from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AgentDriver.h"
#include "cli/SteadyClock.h"
#include "ports/MessageNumbers.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"

namespace lt260 {

using namespace driver;
using namespace std::chrono_literals;

constexpr UINT kWmSimPlug = WM_APP + 1;
constexpr UINT kWmSimUnplug = WM_APP + 2;
constexpr UINT kWmSimPressDpi = WM_APP + 3;
constexpr UINT kWmSimRefuse = WM_APP + 4;
constexpr UINT kWmSimVanishAfter = WM_APP + 6;
constexpr UINT kWmSimGarbage = WM_APP + 7;
// A synchronisation shortly after a successful one is skipped; waiting this
// long before an event makes the Agent really read the mouse back.
constexpr auto kSyncQuietTime = 1200ms;

inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

inline std::string Bytes(const std::filesystem::path& path) {
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
    EndAgentAndGaming(*agent_, configurator_ ? configurator_->Handle() : nullptr);
  }

  std::vector<std::pair<std::wstring, std::wstring>> Environment(bool pluggedIn) const {
    return {{L"LT260_SIM_LOG", simLog_.wstring()},
            {L"LT260_SIM_UNPLUGGED", pluggedIn ? L"0" : L"1"},
            {L"LT260_CONFIGURATOR_LOG", gamingLog_.wstring()}};
  }

  // Starts the Agent and waits for its window. An Agent started before must
  // have ended.
  void StartAgent(bool pluggedIn) {
    std::string error;
    if (agent_->Started()) agent_ = std::make_unique<ChildProcess>();
    ASSERT_TRUE(agent_->Start(folder_ / L"LT260AgentSim.exe", Environment(pluggedIn), error))
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
  // Ends the Agent through its window, as a shutdown does, and waits for it.
  void StopAgent() {
    std::string error;
    ASSERT_TRUE(Post(agentWindow_, WM_CLOSE, 0, 0, error)) << error;
    std::optional<DWORD> exitCode = agent_->WaitForExit();
    ASSERT_TRUE(exitCode.has_value()) << "the Agent did not end after WM_CLOSE";
    EXPECT_EQ(*exitCode, 0u);
    agentWindow_ = nullptr;
  }

  // The Agent is alive and its window answers a message sent to it.
  void ExpectAnswering() {
    EXPECT_TRUE(agent_->Running()) << "the Agent ended";
    LRESULT result = 0;
    std::string error;
    EXPECT_TRUE(Send(agentWindow_, WM_NULL, 0, 0, result, error, 5s)) << error;
  }

  // The processor time the Agent uses while nothing happens: a thread that
  // spins shows here. Measured over windows of a second, until one is quiet
  // (work left over from a storm may still run in the first), up to five;
  // a spinning thread keeps every window busy.
  void ExpectIdle() {
    constexpr auto kWindow = 1000ms;
    // Generous: idle, the Agent takes about 10 ms a second; a spinning
    // thread takes its share of a core, which stays above this even on a
    // machine loaded seven times over.
    constexpr auto kQuiet = kWindow / 10;
    std::optional<std::chrono::milliseconds> least;
    for (int window = 0; window < 5 && !(least && *least < kQuiet); ++window) {
      const auto before = agent_->ProcessorTime();
      ASSERT_TRUE(before.has_value()) << "cannot find the Agent's processor time";
      std::this_thread::sleep_for(kWindow);
      const auto after = agent_->ProcessorTime();
      ASSERT_TRUE(after.has_value());
      // Starting alone takes more than a tick: a total of 0 would mean the
      // measure looks at some other process.
      ASSERT_GT(after->count(), 0) << "the Agent's processor time reads 0";
      least = std::min(least.value_or(*after - *before), *after - *before);
    }
    std::cout << "processor time while idle: " << least->count() << " ms in " << kWindow.count()
              << " ms\n";
    EXPECT_LT(*least, kQuiet) << "a thread of the Agent keeps running while nothing happens";
  }

  // The messages the Agent posted to the Configurator from index `from` on
  // ("WM_CFG_SYNC_DONE 0 0"); the system's own messages are sent, not posted.
  std::vector<std::string> PostedToConfigurator(size_t from = 0) const {
    std::vector<std::string> posted;
    const std::vector<ReceivedMessage> messages = configurator_->Messages();
    for (size_t i = from; i < messages.size(); ++i) {
      const ReceivedMessage& m = messages[i];
      if (!m.Posted) continue;
      posted.push_back(MessageName(m.Message) + " " + std::to_string(m.WParam) + " " +
                       std::to_string(m.LParam));
    }
    return posted;
  }
  size_t ConfiguratorMark() const { return configurator_->Messages().size(); }

  // A copy of the settings file under a new name, for reading at leisure;
  // empty after a failure.
  std::filesystem::path SettingsCopy() {
    const std::filesystem::path copy = folder_ / (L"GamingMouse.copy" + std::to_wstring(++copies_));
    std::error_code code;
    std::filesystem::copy_file(settings_, copy, code);
    EXPECT_FALSE(code) << "cannot copy the settings file: " << code.message();
    return code ? std::filesystem::path() : copy;
  }

  // Every "section/key" the settings file holds now.
  std::set<std::string> SettingsKeys() const {
    std::set<std::string> keys;
    for (const auto& [key, value] : SettingsEntries(settings_)) keys.insert(key);
    return keys;
  }

  // The settings file is whole (it holds every key it held before and the
  // Agent's own reader takes it) and loads into a record that is entirely in
  // range. Read from a copy, so that no write of the Agent meets the reader.
  void ExpectWholeAndInRange(const std::set<std::string>& keysBefore) {
    const std::filesystem::path copy = SettingsCopy();
    ASSERT_FALSE(copy.empty());
    const std::set<std::string> keys = [&] {
      std::set<std::string> all;
      for (const auto& [key, value] : SettingsEntries(copy)) all.insert(key);
      return all;
    }();
    std::vector<std::string> lost;
    std::set_difference(keysBefore.begin(), keysBefore.end(), keys.begin(), keys.end(),
                        std::back_inserter(lost));
    EXPECT_EQ(lost, std::vector<std::string>{}) << "keys went missing from the settings file";
    auto loaded = std::make_unique<SettingsFile>();
    auto applied = std::make_unique<SettingsFile>();
    ProfileSetting active{};
    SteadyClock clock;
    EXPECT_EQ(LoadSettings(copy, *loaded, *applied, active, clock), SettingsLoadOutcome::Loaded);
    auto again = std::make_unique<SettingsFile>(*loaded);
    ValidateSettings(*again);
    EXPECT_EQ(std::memcmp(again.get(), loaded.get(), sizeof(SettingsFile)), 0)
        << "a value is out of range after the load";
  }

  std::unique_ptr<ChildProcess> agent_ = std::make_unique<ChildProcess>();
  int copies_ = 0;
  HWND agentWindow_ = nullptr;
  std::unique_ptr<StandInWindow> configurator_;
};

}  // namespace lt260
