// A Configurator that follows a script: it starts the Agent under its own
// "Quendra LT-260" window and walks the main roads (the mouse's arrival, a
// reload after editing the settings file, the DPI button, unplug and plug,
// lock and unlock, the end), printing what it sees: the messages its window
// receives, the reports the mouse receives, and the keys of the settings file
// that changed.
//
//   lt260-scripted-configurator [--mouse simulated|virtual] [--agent EXE]
//                               [--gaming EXE] [--companion DLL]
//
// With the simulated mouse (the default) the Agent is the simulator build;
// with the virtual mouse it is the shipped LT260Agent.exe, and the mouse is
// the virtual LT-260 installed into this system's HID stack by its control
// program. The defaults are the files of the build this tool belongs to. Exit codes:
// 0 every step happened, 1 a step did not (said on the standard error),
// 2 bad command line.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "AgentDriver.h"
#include "VirtualMouse.h"
#include "cli/SteadyClock.h"
#include "platform/win32/Win32Text.h"
#include "protocol/ButtonReport.h"
#include "protocol/SettingsReport.h"
#include "settings/GlobalSetting.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "sim/TransferTrace.h"

namespace lt260 {
namespace {

using namespace driver;

constexpr wchar_t kAgentTitle[] = L"Quendra_LT-260_Hid";
constexpr wchar_t kConfiguratorTitle[] = L"Quendra LT-260";
constexpr UINT kWmAgentReload = 0x4FF;
constexpr UINT kWmAgentDeviceCommand = 0x501;
constexpr UINT kWmCfgSyncDone = 0x505;
constexpr UINT kWmCfgDpiStage = 0x506;
constexpr UINT kWmCfgDeviceAbsent = 0x915;
constexpr UINT kWmSimPlug = WM_APP + 1;
constexpr UINT kWmSimUnplug = WM_APP + 2;
constexpr UINT kWmSimPressDpi = WM_APP + 3;
constexpr UINT kWmSimWriteTrace = WM_APP + 5;
// A synchronisation within a second of a successful one is skipped.
constexpr auto kSyncQuietTime = 1200ms;
// Bytes of a long report shown before the rest is summed up.
constexpr size_t kShownBytes = 49;
constexpr size_t kShownValue = 48;

// The mouse the script drives, and the trace of every transfer it saw.
class MouseRig {
 public:
  virtual ~MouseRig() = default;
  // Readies the mouse for an Agent installed in `folder`.
  virtual bool Prepare(const std::filesystem::path& folder, std::string& error) = 0;
  virtual std::vector<std::pair<std::wstring, std::wstring>> AgentEnvironment() const = 0;
  virtual bool Press(uint8_t stage, std::string& error) = 0;
  virtual bool Plug(std::string& error) = 0;
  virtual bool Unplug(std::string& error) = 0;
  // Every transfer since the start; `agentRunning` says whether the Agent
  // still runs.
  virtual bool Transfers(bool agentRunning, std::vector<TransferRecord>& all,
                         std::string& error) = 0;
};

// The simulator build's mouse, driven through its control window.
class SimulatedMouseRig final : public MouseRig {
 public:
  bool Prepare(const std::filesystem::path& folder, std::string&) override {
    log_ = folder / L"transfers.log";
    return true;
  }
  std::vector<std::pair<std::wstring, std::wstring>> AgentEnvironment() const override {
    return {{L"LT260_SIM_LOG", log_.wstring()}};
  }
  bool Press(uint8_t stage, std::string& error) override {
    return ControlSimulatedMouse(kWmSimPressDpi, stage, error);
  }
  bool Plug(std::string& error) override { return ControlSimulatedMouse(kWmSimPlug, 0, error); }
  bool Unplug(std::string& error) override { return ControlSimulatedMouse(kWmSimUnplug, 0, error); }
  bool Transfers(bool agentRunning, std::vector<TransferRecord>& all, std::string& error) override {
    // The control window writes the trace whenever it is asked anything, and
    // a last time when the Agent ends.
    if (agentRunning && !ControlSimulatedMouse(kWmSimWriteTrace, 0, error)) return false;
    all = ReadTransferLog(log_, error);
    return error.empty();
  }

 private:
  std::filesystem::path log_;
};

// The virtual LT-260 in the system's HID stack. The system tells the Agent of
// a plug or unplug on its own time; a short settle lets its notices arrive
// before the script posts anything after them.
class VirtualMouseRig final : public MouseRig {
 public:
  explicit VirtualMouseRig(std::filesystem::path controlProgram)
      : mouse_(controlProgram.parent_path()) {}
  bool Prepare(const std::filesystem::path&, std::string& error) override {
    std::printf("Installing the virtual mouse into this system's HID stack.\n");
    return mouse_.Install(error);
  }
  std::vector<std::pair<std::wstring, std::wstring>> AgentEnvironment() const override {
    return {};
  }
  bool Press(uint8_t stage, std::string& error) override { return mouse_.Press(stage, error); }
  bool Plug(std::string& error) override {
    bool changed = false;
    return Settled(mouse_.Plug(changed, error));
  }
  bool Unplug(std::string& error) override {
    bool changed = false;
    return Settled(mouse_.Unplug(changed, error));
  }
  bool Transfers(bool, std::vector<TransferRecord>& all, std::string& error) override {
    std::vector<std::string> lines;
    if (!mouse_.TakeTrace(lines, error)) return false;
    for (const std::string& line : lines) {
      std::optional<TransferRecord> transfer = ParseTraceLine(line);
      if (!transfer) {
        error = "not a trace line: " + line.substr(0, 60);
        return false;
      }
      seen_.push_back(std::move(*transfer));
    }
    all = seen_;
    return true;
  }

 private:
  static bool Settled(bool done) {
    std::this_thread::sleep_for(kNoticeSettleTime);
    return done;
  }
  static constexpr auto kNoticeSettleTime = 500ms;

  vmouse::VirtualMouse mouse_;
  std::vector<TransferRecord> seen_;
};

// A step that did not happen ends the script.
struct StepFailed {
  std::string what;
};

void Require(bool condition, const std::string& what) {
  if (!condition) throw StepFailed{what};
}

class Script {
 public:
  Script(InstallationSources sources, std::unique_ptr<MouseRig> mouse)
      : sources_(std::move(sources)), mouse_(std::move(mouse)) {}

  void Run() {
    Prepare();
    Arrival();
    Reload();
    DpiButton();
    Unplug();
    Plug();
    LockAndUnlock();
    Destruction();
  }

  // Ends the Agent if a failed step left it running.
  void Abandon() { agent_.Terminate(); }

 private:
  void Prepare() {
    std::string error;
    Require(CleanQuendraAppData(error), error);
    std::filesystem::path folder = PrepareInstallation(sources_, error);
    Require(!folder.empty(), error);
    Require(mouse_->Prepare(folder, error), error);
    settings_ = SettingsFilePath();
    configurator_ = std::make_unique<StandInWindow>(kConfiguratorTitle);
    Require(configurator_->Open(error), error);
    std::printf("Installation: %s\n", win32::Utf8(folder.wstring()).c_str());
    std::printf("Settings file: %s\n", win32::Utf8(settings_.wstring()).c_str());
    std::printf("This program's window \"Quendra LT-260\" is open; starting the Agent.\n");
    Require(agent_.Start(folder / sources_.Agent.filename(), mouse_->AgentEnvironment(), error),
            error);
  }

  void Arrival() {
    Step("The Agent starts, finds the mouse and reads it back");
    agentWindow_ = WaitForWindow(kAgentTitle);
    Require(agentWindow_ != nullptr, "the agent window \"Quendra_LT-260_Hid\" did not appear");
    std::printf("  agent window \"Quendra_LT-260_Hid\" is there\n");
    Require(configurator_->WaitForMessages(kWmCfgSyncDone, 1),
            "the Configurator was not told of the read-back (WM_CFG_SYNC_DONE)");
    Fence();
    Report();
    Require(ReadSettingsInt(settings_, kGlobalSection, u"Device") == 1,
            "\"Device\" is not 1 after the mouse was found");
  }

  void Reload() {
    Step("The user changes a profile; the Configurator saves it and asks for a reload");
    GlobalSetting global{};
    ReadGlobalSetting(settings_, global);
    const std::u16string section = ProfileSectionName(global.ProfileMap[ActiveSlot(global)]);
    std::string error;
    for (auto [key, value] : {std::pair{u"DPI_Cur", 2},
                              {u"DPI_Value1", 10},
                              {u"light_type", 3},
                              {u"light_speed", 1},
                              {u"POLLRATE_VALUE", 1}}) {
      Require(WriteSettingsInt(settings_, section, key, value, error), error);
    }
    std::printf("  the Configurator writes the settings file:\n");
    ShowSettingsChanges();
    std::printf("  the Configurator posts WM_AGENT_RELOAD (0x4FF) to \"Quendra_LT-260_Hid\"\n");
    size_t from = TransferCount();
    Require(Post(agentWindow_, kWmAgentReload, 0, 0, error), error);
    Require(WaitForSet(from, kButtonReportLength),
            "WM_AGENT_RELOAD did not send the button-assignment report");
    Report();

    // What the profile encodes, read from the file as the Agent reads it.
    std::filesystem::path copy = settings_.wstring() + L".scripted-copy";
    std::error_code code;
    std::filesystem::copy_file(settings_, copy, std::filesystem::copy_options::overwrite_existing,
                               code);
    Require(!code, "cannot copy the settings file: " + code.message());
    SettingsFile loaded{}, applied{};
    ProfileSetting active{};
    SteadyClock clock;
    LoadSettings(copy, loaded, applied, active, clock);
    std::filesystem::remove(copy, code);
    const SettingsReportBytes settingsReport = BuildSettingsReport(active);
    const ButtonReportBytes buttonReport = BuildButtonReport(active);
    bool settingsMatch = false, buttonsMatch = false;
    for (const TransferRecord& t : Transfers(from)) {
      if (t.Kind != TransferKind::SetFeature || !t.Accepted) continue;
      const std::string sent = TraceBytes(t.Bytes);
      if (t.FeatureLength == static_cast<int>(kSettingsReportLength)) {
        settingsMatch = sent == TraceBytes(settingsReport);
      } else if (t.FeatureLength == static_cast<int>(kButtonReportLength)) {
        buttonsMatch = sent == TraceBytes(buttonReport);
      }
    }
    Require(settingsMatch, "the settings report sent is not the one the active profile encodes");
    Require(buttonsMatch,
            "the button-assignment report sent is not the one the active profile encodes");
    std::printf("  both reports are exactly what the active profile encodes\n");
  }

  void DpiButton() {
    Step("The user presses the mouse's DPI button: stage 4");
    std::string error;
    Require(mouse_->Press(4, error), error);
    Require(configurator_->WaitForMessages(kWmCfgDpiStage, 1),
            "the Configurator was not told of the new DPI stage (WM_CFG_DPI_STAGE)");
    Report();
    ReceivedMessage stage = configurator_->MessagesOf(kWmCfgDpiStage).back();
    Require(stage.LParam == 3, "WM_CFG_DPI_STAGE does not carry the stage less one");
  }

  void Unplug() {
    Step("The mouse is unplugged");
    std::this_thread::sleep_for(kSyncQuietTime);
    std::string error;
    Require(mouse_->Unplug(error), error);
    Require(configurator_->WaitForMessages(kWmCfgDeviceAbsent, 1),
            "the Configurator was not told that the mouse is gone (WM_CFG_DEVICE_ABSENT)");
    Report();
  }

  void Plug() {
    Step("The mouse is plugged in again");
    std::this_thread::sleep_for(kSyncQuietTime);
    const size_t syncs = configurator_->MessagesOf(kWmCfgSyncDone).size();
    std::string error;
    Require(mouse_->Plug(error), error);
    Require(configurator_->WaitForMessages(kWmCfgSyncDone, syncs + 1),
            "the Configurator was not told of the read-back (WM_CFG_SYNC_DONE)");
    Fence();
    Report();
  }

  void LockAndUnlock() {
    Step("The session is locked");
    std::string error;
    Require(Post(agentWindow_, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, error), error);
    std::printf("  WM_WTSSESSION_CHANGE (lock) posted to \"Quendra_LT-260_Hid\"\n");
    Fence();
    Report();
    Require(ReadSettingsInt(settings_, kGlobalSection, u"Device") == 0,
            "locking did not write \"Device\" 0");

    std::printf("  the mouse is unplugged and plugged in while locked\n");
    const size_t from = TransferCount();
    Require(mouse_->Unplug(error), error);
    Require(mouse_->Plug(error), error);
    Fence();
    Require(TransferCount() == from + 1, "the Agent acted on device changes while locked");
    Report();
    std::printf("  (nothing: device changes are ignored while locked)\n");

    Step("The session is unlocked");
    std::this_thread::sleep_for(kSyncQuietTime);
    const size_t syncs = configurator_->MessagesOf(kWmCfgSyncDone).size();
    Require(Post(agentWindow_, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, error), error);
    std::printf("  WM_WTSSESSION_CHANGE (unlock) posted to \"Quendra_LT-260_Hid\"\n");
    Require(configurator_->WaitForMessages(kWmCfgSyncDone, syncs + 1),
            "unlocking did not read the mouse back");
    Fence();
    Report();
    Require(ReadSettingsInt(settings_, kGlobalSection, u"Device") == 1,
            "unlocking did not write \"Device\" 1");
  }

  void Destruction() {
    Step("The agent window is closed");
    std::string error;
    Require(Post(agentWindow_, WM_CLOSE, 0, 0, error), error);
    std::optional<DWORD> code = agent_.WaitForExit();
    Require(code.has_value(), "the Agent did not end after its window was closed");
    Require(configurator_->WaitForMessages(WM_COMMAND, 1),
            "the Configurator was not told that the Agent ends");
    Report();
    std::printf("  the Agent ended with exit code %lu\n", static_cast<unsigned long>(*code));
    Require(*code == 0, "the Agent's exit code is not 0");
  }

  void Step(const char* title) { std::printf("\n== %d. %s\n", ++step_, title); }

  // Returns once the agent window has handled everything posted before: the
  // command report asked for now has reached the mouse. Its transfer is not
  // shown. The settings file is read only after such a moment, never while
  // the Agent may be replacing it.
  void Fence() {
    const size_t from = TransferCount();
    std::string error;
    Require(Post(agentWindow_, kWmAgentDeviceCommand, 0, 0, error), error);
    Require(WaitForSet(from, 8), "the Agent did not answer WM_AGENT_DEVICE_COMMAND");
    fenceTransfers_.insert(TransferCount() - 1);
  }

  std::vector<TransferRecord> Transfers(size_t from = 0) {
    std::string error;
    std::vector<TransferRecord> all;
    Require(mouse_->Transfers(agent_.Running(), all, error), error);
    return {all.begin() + static_cast<ptrdiff_t>(std::min(from, all.size())), all.end()};
  }

  size_t TransferCount() { return Transfers().size(); }

  bool WaitForSet(size_t from, size_t length) {
    return WaitUntil([&] {
      for (const TransferRecord& t : Transfers(from)) {
        if (t.Kind == TransferKind::SetFeature && t.FeatureLength == static_cast<int>(length))
          return true;
      }
      return false;
    });
  }

  // Everything new since the last report.
  void Report() {
    ShowMessages();
    ShowTransfers();
    ShowSettingsChanges();
  }

  void ShowMessages() {
    std::vector<ReceivedMessage> messages = configurator_->Messages();
    for (; messagesShown_ < messages.size(); ++messagesShown_) {
      const ReceivedMessage& m = messages[messagesShown_];
      // The Agent's messages, not the window management every window gets.
      if (m.Message < WM_USER && m.Message != WM_COMMAND && m.Message != WM_CLOSE &&
          m.Message != WM_DESTROY) {
        continue;
      }
      std::printf("  Configurator window got %s (0x%X) wParam=0x%llX lParam=0x%llX%s\n",
                  MessageName(m.Message).c_str(), m.Message,
                  static_cast<unsigned long long>(m.WParam),
                  static_cast<unsigned long long>(static_cast<ULONG_PTR>(m.LParam)),
                  m.Posted ? "" : " (sent)");
    }
  }

  void ShowTransfers() {
    std::vector<TransferRecord> transfers = Transfers();
    for (; transfersShown_ < transfers.size(); ++transfersShown_) {
      if (fenceTransfers_.count(transfersShown_) != 0) continue;
      const TransferRecord& t = transfers[transfersShown_];
      if (t.Kind == TransferKind::SetFeature) {
        const size_t shown = std::min(t.Bytes.size(), kShownBytes);
        std::printf("  mouse <- report %02x (%d bytes, %s): %s%s\n",
                    t.Bytes.empty() ? 0 : t.Bytes[0], t.FeatureLength,
                    t.Accepted ? "accepted" : "refused",
                    TraceBytes(std::span(t.Bytes).first(shown)).c_str(),
                    shown < t.Bytes.size() ? " ..." : "");
      } else if (t.Kind == TransferKind::GetFeature) {
        std::printf("  mouse -> report %02x read back (%d bytes, %s)\n", t.Bytes[0],
                    t.FeatureLength, t.Accepted ? "accepted" : "refused");
      } else {
        std::printf("  mouse -> input report: %s\n", TraceBytes(t.Bytes).c_str());
      }
    }
  }

  static std::string Shorten(const std::string& value) {
    if (value.size() <= kShownValue) return value;
    return value.substr(0, kShownValue) + "... (" + std::to_string(value.size()) + " chars)";
  }

  void ShowSettingsChanges() {
    std::map<std::string, std::string> now = SettingsEntries(settings_);
    if (settingsShown_.empty() && !now.empty()) {
      std::printf("  settings file written: %zu keys\n", now.size());
    }
    for (const auto& [key, value] : now) {
      auto before = settingsShown_.find(key);
      if (before == settingsShown_.end()) {
        // A new file is summed up above; only its presence flag is shown.
        if (settingsShown_.empty() && key != "Setting/Device") continue;
        std::printf("  settings %s: (none) -> %s\n", key.c_str(), Shorten(value).c_str());
      } else if (before->second != value) {
        std::printf("  settings %s: %s -> %s\n", key.c_str(), Shorten(before->second).c_str(),
                    Shorten(value).c_str());
      }
    }
    settingsShown_ = std::move(now);
  }

  InstallationSources sources_;
  std::unique_ptr<MouseRig> mouse_;
  std::filesystem::path settings_;
  ChildProcess agent_;
  HWND agentWindow_ = nullptr;
  std::unique_ptr<StandInWindow> configurator_;
  int step_ = 0;
  size_t messagesShown_ = 0;
  size_t transfersShown_ = 0;
  std::set<size_t> fenceTransfers_;
  std::map<std::string, std::string> settingsShown_;
};

int Usage(const std::string& problem) {
  std::fprintf(stderr,
               "lt260-scripted-configurator: %s\n"
               "usage: lt260-scripted-configurator [--mouse simulated|virtual] [--agent EXE] "
               "[--gaming EXE] [--companion DLL]\n",
               problem.c_str());
  return 2;
}

}  // namespace
}  // namespace lt260

int main(int argc, char** argv) {
  using namespace lt260;
  driver::InstallationSources sources{
      {}, driver::FromBuildPath(LT260_GAMING), driver::FromBuildPath(LT260_COMPANION)};
  bool virtualMouse = false;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc) return Usage("\"" + option + "\" needs a value, or is unknown");
    if (option == "--mouse") {
      const std::string kind = argv[++i];
      if (kind != "simulated" && kind != "virtual") {
        return Usage("--mouse is \"simulated\" or \"virtual\", not \"" + kind + "\"");
      }
      virtualMouse = kind == "virtual";
      continue;
    }
    std::filesystem::path value = driver::FromBuildPath(argv[++i]);
    if (option == "--agent") {
      sources.Agent = value;
    } else if (option == "--gaming") {
      sources.Configurator = value;
    } else if (option == "--companion") {
      sources.Companion = value;
    } else {
      return Usage("unknown option \"" + option + "\"");
    }
  }
  if (sources.Agent.empty()) {
    sources.Agent = driver::FromBuildPath(virtualMouse ? LT260_AGENT : LT260_AGENT_SIM);
  }
  std::unique_ptr<MouseRig> mouse;
  if (virtualMouse) {
    mouse = std::make_unique<VirtualMouseRig>(driver::FromBuildPath(LT260_VIRTUAL_MOUSE));
  } else {
    mouse = std::make_unique<SimulatedMouseRig>();
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  Script script(sources, std::move(mouse));
  try {
    script.Run();
  } catch (const StepFailed& failure) {
    std::fflush(stdout);
    std::fprintf(stderr, "\nlt260-scripted-configurator: FAILED: %s\n", failure.what.c_str());
    script.Abandon();
    return 1;
  }
  std::printf("\nEvery step happened as expected.\n");
  return 0;
}
