#pragma once

// What the process tests share, whichever mouse the Agent meets: the Agent
// run as a whole program under Wine from an installation folder of its own,
// with no settings file at first, a stand-in Configurator, the mouse's
// transfers as the test reads them, and the Agent ended when the test ends.
// Observed only from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "AgentDriver.h"
#include "cli/SteadyClock.h"
#include "ports/MessageNumbers.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"

namespace lt260 {

using namespace driver;
using namespace std::chrono_literals;

// A synchronisation shortly after a successful one is skipped; waiting this
// long before an event makes the Agent really read the mouse back.
constexpr auto kSyncQuietTime = 1200ms;

inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

inline std::string Bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline bool IsSet(const TransferRecord& t, int length) {
  return t.Kind == TransferKind::SetFeature && t.FeatureLength == length;
}

class AgentFixture : public ::testing::Test {
 protected:
  using EnvironmentVariables = std::vector<std::pair<std::wstring, std::wstring>>;

  // The installation is made from `sources`; the Agent is the program
  // `sources.Agent` names, run from the installation folder.
  explicit AgentFixture(InstallationSources sources) : sources_(std::move(sources)) {}

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(CleanQuendraAppData(error)) << error;
    folder_ = PrepareInstallation(sources_, error);
    ASSERT_FALSE(folder_.empty()) << error;
    settings_ = SettingsFilePath();
    ASSERT_FALSE(settings_.empty()) << "no application-data folder";
    gamingLog_ = folder_ / L"gaming.log";
  }

  void TearDown() override {
    EndAgentAndGaming(*agent_, configurator_ ? configurator_->Handle() : nullptr);
  }

  // Brings `seen` up to every transfer the mouse has seen since the test
  // began, in order.
  virtual void TakeTransfers(std::vector<TransferRecord>& seen) = 0;

  // Starts the Agent with `environment` added to this process's and waits for
  // its window. An Agent started before must have ended.
  void StartAgentWith(const EnvironmentVariables& environment) {
    std::string error;
    if (agent_->Started()) agent_ = std::make_unique<ChildProcess>();
    ASSERT_TRUE(agent_->Start(folder_ / sources_.Agent.filename(), environment, error)) << error;
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

  // Starts the Agent with the stand-in Configurator's window open and waits
  // for the end of its start-up: the first synchronisation told the
  // Configurator, and every report it sent has reached the mouse.
  void StartBehindConfigurator(const EnvironmentVariables& environment) {
    ASSERT_NO_FATAL_FAILURE(OpenConfigurator());
    ASSERT_NO_FATAL_FAILURE(StartAgentWith(environment));
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, 1))
        << "no WM_CFG_SYNC_DONE after start-up";
    Fence();
  }

  // Every transfer the mouse has seen since the test began.
  const std::vector<TransferRecord>& Transfers() {
    TakeTransfers(transfers_);
    return transfers_;
  }

  // The transfers after the first `from`, with what the mouse has seen now.
  std::vector<TransferRecord> TransfersFrom(size_t from) {
    const std::vector<TransferRecord>& all = Transfers();
    return {all.begin() + static_cast<ptrdiff_t>(std::min(from, all.size())), all.end()};
  }

  // Waits until a transfer after the first `from` satisfies `match`; its
  // index, or -1.
  template <typename Match>
  ptrdiff_t WaitForTransfer(size_t from, Match match) {
    ptrdiff_t found = -1;
    WaitUntil([&] {
      const std::vector<TransferRecord>& transfers = Transfers();
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
  // transfers from `from` up to the command report.
  std::vector<TransferRecord> TransfersUntilFence(size_t from) {
    std::string error;
    EXPECT_TRUE(Post(agentWindow_, WM_AGENT_DEVICE_COMMAND, 0, 0, error)) << error;
    const ptrdiff_t fence =
        WaitForTransfer(from, [](const TransferRecord& t) { return IsSet(t, 8); });
    EXPECT_GE(fence, 0) << "the command report of WM_AGENT_DEVICE_COMMAND never reached the mouse";
    const size_t end = fence < 0 ? transfers_.size() : static_cast<size_t>(fence);
    return {transfers_.begin() + static_cast<ptrdiff_t>(std::min(from, end)),
            transfers_.begin() + static_cast<ptrdiff_t>(end)};
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

  // The section of the active profile, as a Configurator finds it.
  std::u16string ActiveProfileSection() const {
    GlobalSetting global{};
    ReadGlobalSetting(settings_, global);
    return ProfileSectionName(global.ProfileMap[ActiveSlot(global)]);
  }

  // A copy of the settings file under a new name, for reading at leisure;
  // empty after a failure.
  std::filesystem::path SettingsCopy() {
    const std::filesystem::path copy = folder_ / (L"GamingMouse.copy" + std::to_wstring(++copies_));
    std::error_code code;
    std::filesystem::copy_file(settings_, copy, code);
    EXPECT_FALSE(code) << "cannot copy the settings file: " << code.message();
    return code ? std::filesystem::path() : copy;
  }

  // Edits to the active profile as the Configurator makes them (a DPI stage
  // and a DPI value, the lighting, the polling rate), written to the file.
  void EditActiveProfile() {
    const std::u16string section = ActiveProfileSection();
    std::string error;
    for (auto [key, value] : {std::pair{u"DPI_Cur", 2},
                              {u"DPI_Value1", 12},
                              {u"light_type", 3},
                              {u"light_speed", 1},
                              {u"POLLRATE_VALUE", 1}}) {
      ASSERT_TRUE(WriteSettingsInt(settings_, section, key, value, error)) << error;
    }
  }

  // The active profile as the Agent loads it from the settings file now.
  ProfileSetting LoadActiveProfile() {
    ProfileSetting active{};
    const std::filesystem::path copy = SettingsCopy();
    if (copy.empty()) return active;
    auto loaded = std::make_unique<SettingsFile>();
    auto applied = std::make_unique<SettingsFile>();
    SteadyClock clock;
    EXPECT_EQ(LoadSettings(copy, *loaded, *applied, active, clock), SettingsLoadOutcome::Loaded);
    return active;
  }

  std::filesystem::path folder_;
  std::filesystem::path settings_;
  std::filesystem::path gamingLog_;
  std::unique_ptr<ChildProcess> agent_ = std::make_unique<ChildProcess>();
  HWND agentWindow_ = nullptr;
  std::unique_ptr<StandInWindow> configurator_;
  std::vector<TransferRecord> transfers_;

 private:
  int copies_ = 0;
  InstallationSources sources_;
};

}  // namespace lt260
