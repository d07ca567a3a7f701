// A faulty mouse meets the whole Agent: a mouse pulled out in the middle of a
// reload or a read-back, transfers refused, reports of random bytes, a storm
// of DPI presses and input reports of any length and ID. Through all of it the
// Agent keeps running and answering, goes idle afterwards, keeps its settings
// file whole and in range, and tells the Configurator only what it tells it
// for a mouse that comes and goes.
#include <random>

#include "AgentProcessFixture.h"
#include "cli/SteadyClock.h"
#include "protocol/SettingsReport.h"

namespace lt260 {
namespace {

// The feature transfers as trace summaries ("set 40 accepted 03").
std::vector<std::string> Outcomes(const std::vector<TransferRecord>& transfers) {
  std::vector<std::string> outcomes;
  for (const TransferRecord& t : transfers) {
    if (t.Kind != TransferKind::InputRead) outcomes.push_back(TraceSummary(t));
  }
  return outcomes;
}

std::vector<std::string> Repeated(const std::string& line, int count) {
  return std::vector<std::string>(static_cast<size_t>(count), line);
}

const std::string kDeviceAbsent = "WM_CFG_DEVICE_ABSENT 2327 0";
const std::string kSyncDone = "WM_CFG_SYNC_DONE 0 0";

TEST_F(AgentProcess, MouseVanishingMidReloadAndMidReadBack) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  const std::set<std::string> keys = SettingsKeys();
  std::string error;

  // Gone after the settings report of a reload: no button report. The reload
  // itself tells nobody; the notice of the removal that follows finds no
  // mouse and tells the Configurator once.
  {
    SCOPED_TRACE("vanishing between the two reports of a reload");
    std::this_thread::sleep_for(kSyncQuietTime);
    const std::string fileBefore = Bytes(settings_);
    const size_t mark = ConfiguratorMark();
    const size_t from = Transfers().size();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_VANISH_AFTER, 1, error)) << error;
    ASSERT_TRUE(Post(agentWindow_, WM_AGENT_RELOAD, 0, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 1));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(Outcomes(TransfersFrom(from)), std::vector<std::string>{"set 40 accepted 03"});
    EXPECT_EQ(PostedToConfigurator(mark), std::vector<std::string>{kDeviceAbsent});
    EXPECT_EQ(Bytes(settings_), fileBefore) << "a reload and a failed read-back write nothing";
  }
  {
    SCOPED_TRACE("plugged in again");
    const size_t mark = ConfiguratorMark();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PLUG, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, 2));
    Fence();
    EXPECT_EQ(PostedToConfigurator(mark), std::vector<std::string>{kSyncDone});
  }

  // Gone between the settings report and the button report of the read-back
  // that an arrival starts: that read-back fails and tells the Configurator
  // once; the removal notice that follows finds the mouse already counted
  // absent and adds nothing.
  {
    SCOPED_TRACE("vanishing between the two reads of a read-back");
    std::this_thread::sleep_for(kSyncQuietTime);
    const std::string fileBefore = Bytes(settings_);
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_UNPLUG, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 2));
    const size_t mark = ConfiguratorMark();
    const size_t from = Transfers().size();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_VANISH_AFTER, 1, error)) << error;
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PLUG, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 3));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(Outcomes(TransfersFrom(from)), std::vector<std::string>{"get 40 accepted 03"});
    EXPECT_EQ(PostedToConfigurator(mark), std::vector<std::string>{kDeviceAbsent});
    EXPECT_EQ(Bytes(settings_), fileBefore) << "a failed read-back writes nothing";
  }
  {
    SCOPED_TRACE("plugged in again");
    const size_t mark = ConfiguratorMark();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PLUG, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, 3));
    Fence();
    EXPECT_EQ(PostedToConfigurator(mark), std::vector<std::string>{kSyncDone});
    EXPECT_EQ(Setting(u"Device"), 1);
  }

  ExpectAnswering();
  ExpectIdle();
  ExpectWholeAndInRange(keys);
}

TEST_F(AgentProcess, RefusalsPressStormAndGarbageInput) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  const std::set<std::string> keys = SettingsKeys();
  const size_t quiet = ConfiguratorMark();
  std::string error;

  {
    SCOPED_TRACE("four refusals: the fifth attempt carries the settings report");
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_REFUSE, 4, error)) << error;
    const size_t from = ReloadAndWaitForButtonReport();
    std::vector<std::string> expected = Repeated("set 40 refused 03", 4);
    expected.insert(expected.end(), {"set 40 accepted 03", "set 2049 accepted 04"});
    EXPECT_EQ(Outcomes(TransfersUntilFence(from)), expected);
  }
  {
    SCOPED_TRACE("five refusals: the reload gives up, no button report");
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_REFUSE, 5, error)) << error;
    const size_t from = Transfers().size();
    ASSERT_TRUE(Post(agentWindow_, WM_AGENT_RELOAD, 0, 0, error)) << error;
    EXPECT_EQ(Outcomes(TransfersUntilFence(from)), Repeated("set 40 refused 03", 5));
  }
  EXPECT_EQ(PostedToConfigurator(quiet), std::vector<std::string>{})
      << "a reload tells the Configurator nothing, whatever the mouse does";

  // Ten thousand presses of the DPI button, posted within a second. The
  // mouse keeps the newest 32 reports unread, as Windows does; each one read
  // reaches the Configurator and the file in order, and the last press is the
  // stage that stays.
  {
    SCOPED_TRACE("10,000 DPI presses");
    constexpr int kPresses = 10000;
    const size_t mark = ConfiguratorMark();
    HWND control = FindWindowTitled(kSimulatedMouseWindow);
    ASSERT_NE(control, nullptr);
    const auto start = std::chrono::steady_clock::now();
    int lastStage = 0;
    for (int i = 0; i < kPresses; ++i) {
      lastStage = i % 7 + 1;
      ASSERT_TRUE(Post(control, WM_SIM_PRESS_DPI, static_cast<WPARAM>(lastStage), 0, error))
          << error;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::cout << kPresses << " presses posted in " << took.count() << " ms\n";
    // Done once no stage message has come for a second.
    size_t seen = 0;
    WaitUntil([&] {
      const size_t now = configurator_->MessagesOf(WM_CFG_DPI_STAGE).size();
      if (now != seen) {
        seen = now;
        std::this_thread::sleep_for(1s);
        return false;
      }
      return now > 0;
    });
    Fence();
    const std::vector<ReceivedMessage> stages = configurator_->MessagesOf(WM_CFG_DPI_STAGE);
    ASSERT_FALSE(stages.empty());
    std::cout << stages.size() << " stage changes reached the Configurator\n";
    EXPECT_LE(stages.size(), static_cast<size_t>(kPresses));
    for (const ReceivedMessage& stage : stages) {
      EXPECT_EQ(stage.WParam, 0u) << "wParam is the active profile";
      EXPECT_TRUE(stage.LParam >= 0 && stage.LParam < 7) << stage.LParam;
    }
    EXPECT_EQ(stages.back().LParam, lastStage - 1);
    EXPECT_EQ(ReadSettingsInt(settings_, ProfileSectionName(0), u"DPI_Cur"), lastStage);
    for (const std::string& posted : PostedToConfigurator(mark)) {
      EXPECT_EQ(posted.rfind("WM_CFG_DPI_STAGE ", 0), 0u) << posted;
    }
  }

  // Random input reports: every one read is looked at through the four bytes
  // of a stage report, and only those that are one reach the Configurator.
  {
    SCOPED_TRACE("input reports of random length and ID");
    const size_t mark = ConfiguratorMark();
    const size_t from = Transfers().size();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_GARBAGE, 500, error)) << error;
    size_t reads = 0;
    WaitUntil([&] {
      size_t now = 0;
      for (const TransferRecord& t : TransfersFrom(from))
        now += t.Kind == TransferKind::InputRead ? 1 : 0;
      if (now != reads || now == 0) {
        reads = now;
        std::this_thread::sleep_for(600ms);
        return false;
      }
      return true;
    });
    Fence();
    std::vector<std::string> expected;
    int wrongShape = 0;
    for (const TransferRecord& t : TransfersFrom(from)) {
      if (t.Kind != TransferKind::InputRead) continue;
      uint8_t first[4] = {};
      std::copy_n(t.Bytes.begin(), std::min<size_t>(4, t.Bytes.size()), first);
      if (first[0] == 2 && first[1] == 0 && first[3] == 0 && first[2] != 0) {
        expected.push_back("WM_CFG_DPI_STAGE 0 " + std::to_string(first[2] - 1));
      } else {
        ++wrongShape;
      }
    }
    std::cout << reads << " random reports read, " << wrongShape << " of them no stage report\n";
    EXPECT_GT(reads, 0u);
    EXPECT_EQ(PostedToConfigurator(mark), expected);
  }

  ExpectAnswering();
  ExpectIdle();
  ExpectWholeAndInRange(keys);
}

// The mouse answers its read-back with random bytes; the light type in the
// high nibble of byte 3 goes beyond the seven light modes. What is read is
// stored where it belongs and nowhere else, and the next load brings every
// value back into range.
TEST_F(AgentProcess, RandomReadBackStaysInItsFieldsAndIsValidatedAtTheNextLoad) {
  ASSERT_NO_FATAL_FAILURE(StartWithMouse());
  const std::set<std::string> keys = SettingsKeys();
  const uint32_t seed = std::random_device{}();
  std::cout << "random seed " << seed << "\n";
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string error;

  for (const int lightByte : {0x80, 0xE0, 0xF0, byte(random)}) {
    SCOPED_TRACE("byte 3 = " + std::to_string(lightByte));
    std::vector<uint8_t> settingsReport(40), buttonReport(2049);
    for (uint8_t& b : settingsReport) b = static_cast<uint8_t>(byte(random));
    for (uint8_t& b : buttonReport) b = static_cast<uint8_t>(byte(random));
    settingsReport[0] = 3;
    settingsReport[3] = static_cast<uint8_t>(lightByte);
    buttonReport[0] = 4;
    ASSERT_TRUE(HoldSimulatedReport(settingsReport, error)) << error;
    ASSERT_TRUE(HoldSimulatedReport(buttonReport, error)) << error;

    GlobalSetting global{};
    ReadGlobalSetting(settings_, global);
    const std::string section = ToUtf8(ProfileSectionName(global.Current)) + "/";
    const std::map<std::string, std::string> before = SettingsEntries(settings_);
    // The mouse is read back when it arrives: unplug it, then plug it in.
    const size_t absences = configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_UNPLUG, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, absences + 1));
    const size_t mark = ConfiguratorMark();
    const size_t syncs = configurator_->MessagesOf(WM_CFG_SYNC_DONE).size();
    ASSERT_TRUE(ControlSimulatedMouse(WM_SIM_PLUG, 0, error)) << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, syncs + 1));
    Fence();
    EXPECT_EQ(PostedToConfigurator(mark), std::vector<std::string>{kSyncDone});

    // Light types 1 to 7 keep their colour in slot type - 1; type 0 and the
    // types beyond the seven in the first slot. The other slots, the cycle
    // colours and the brightness colour stay.
    std::map<std::string, std::string> after = SettingsEntries(settings_);
    const int lightType = lightByte >> 4;
    EXPECT_EQ(after[section + "light_type"], std::to_string(lightType));
    const int colourSlot = lightType >= 1 && lightType <= kLightModeCount ? lightType - 1 : 0;
    std::vector<std::string> unchanged = {"light_Cycle0", "light_Cycle1",        "light_Cycle2",
                                          "light_Cycle3", "light_Cycle4",        "light_Cycle5",
                                          "light_Cycle6", "light_bright_colorID"};
    for (int slot = 0; slot < kLightModeCount; ++slot) {
      if (slot != colourSlot) unchanged.push_back("light_Color" + std::to_string(slot));
    }
    for (const std::string& key : unchanged) {
      EXPECT_EQ(after[section + key], before.at(section + key)) << key;
    }

    // The next load validates what was read and programs the mouse with it.
    const size_t from = ReloadAndWaitForButtonReport();
    const std::filesystem::path copy = SettingsCopy();
    auto loaded = std::make_unique<SettingsFile>();
    auto applied = std::make_unique<SettingsFile>();
    ProfileSetting active{};
    SteadyClock clock;
    LoadSettings(copy, *loaded, *applied, active, clock);
    EXPECT_TRUE(active.light_type >= 0 && active.light_type < kLightModeCount);
    const SettingsReportBytes expected = BuildSettingsReport(active);
    std::vector<TransferRecord> sent = TransfersFrom(from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(TraceBytes(sent.front().Bytes), TraceBytes(expected))
        << "the reload did not program the mouse with the validated profile";
  }

  ExpectAnswering();
  ExpectIdle();
  ExpectWholeAndInRange(keys);
}

}  // namespace
}  // namespace lt260
