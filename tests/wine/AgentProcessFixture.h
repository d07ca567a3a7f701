#pragma once

// The fixture of the simulator build's process tests: the Agent with the
// simulated mouse, whose transfers it logs to a file of the installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AgentFixture.h"
#include "cli/SteadyClock.h"
#include "platform/win32/SimulatedMouseControl.h"
#include "settings/SettingsValidation.h"
#include "text/Utf8.h"

namespace lt260 {

class AgentProcess : public AgentFixture {
 protected:
  AgentProcess()
      : AgentFixture({FromBuildPath(LT260_AGENT_SIM), FromBuildPath(LT260_GAMING),
                      FromBuildPath(LT260_COMPANION)}) {}

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(AgentFixture::SetUp());
    simLog_ = folder_ / L"transfers.log";
  }

  EnvironmentVariables Environment(bool pluggedIn) const {
    return {{L"LT260_SIM_LOG", simLog_.wstring()},
            {L"LT260_SIM_UNPLUGGED", pluggedIn ? L"0" : L"1"},
            {L"LT260_CONFIGURATOR_LOG", gamingLog_.wstring()}};
  }

  void StartAgent(bool pluggedIn) { StartAgentWith(Environment(pluggedIn)); }

  // Starts the Agent with the mouse and waits for the end of its start-up:
  // the first synchronisation told the Configurator and "Device" says 1.
  void StartWithMouse() {
    ASSERT_NO_FATAL_FAILURE(StartBehindConfigurator(Environment(true)));
    ASSERT_EQ(Setting(u"Device"), 1) << "\"Device\" was not written as 1 at start-up";
  }

  // The log as the simulated mouse has written it so far; the control window
  // writes it after every control message.
  void TakeTransfers(std::vector<TransferRecord>& seen) override {
    std::string error;
    EXPECT_TRUE(ControlSimulatedMouse(WM_SIM_WRITE_TRACE, 0, error)) << error;
    seen = ReadTransferLog(simLog_, error);
    EXPECT_EQ(error, "");
  }

  std::vector<std::string> TransferLines(const std::vector<TransferRecord>& transfers) {
    std::vector<std::string> lines;
    for (const TransferRecord& transfer : transfers)
      lines.push_back(TraceLine(transfer).substr(0, 40));
    return lines;
  }

  // Posts the reload and waits until the button report has been sent;
  // returns the index of the first transfer after the post.
  size_t ReloadAndWaitForButtonReport() {
    size_t from = Transfers().size();
    std::string error;
    EXPECT_TRUE(Post(agentWindow_, WM_AGENT_RELOAD, 0, 0, error)) << error;
    EXPECT_GE(WaitForTransfer(from, [](const TransferRecord& t) { return IsSet(t, 2049); }), 0)
        << "WM_AGENT_RELOAD did not send the button-assignment report";
    return from;
  }

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

  std::filesystem::path simLog_;
};

}  // namespace lt260
