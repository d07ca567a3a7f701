// The shipped Agent, LT260Agent.exe, against the virtual LT-260 in Wine's HID
// stack: SetupAPI enumeration, opening, attributes, capabilities, feature
// transfers through the class driver, overlapped input reads and the notices
// the system sends when the mouse comes and goes. Observed from outside: the
// stand-in Configurator's window or log, the settings file, and the driver's
// trace of every transfer the mouse saw.
//
// The suite runs in a fresh prefix of its own (see CMakeLists.txt); every test
// installs the mouse anew, which gives the firmware the default profile and
// empties the trace. Every wait is bounded; when the driver's host process
// has died, the tests say so instead of waiting for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "AgentFixture.h"
#include "VirtualMouse.h"
#include "protocol/ButtonReport.h"
#include "protocol/CommandReport.h"
#include "protocol/DeviceIdentity.h"
#include "protocol/SettingsReport.h"
#include "sim/SimulatedMouse.h"

extern "C" {
#include <hidsdi.h>
}

namespace lt260 {
namespace {

// One run of the control program: its exit code and what it printed.
struct ToolRun {
  DWORD ExitCode = 0xFFFFFFFF;
  std::string Output;
};

ToolRun RunControlProgram(const std::wstring& arguments) {
  ToolRun run;
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  const std::filesystem::path outputFile = std::filesystem::path(temp) / L"lt260-vmouse-output.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output = ::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return run;
  const std::filesystem::path exe = FromBuildPath(LT260_VIRTUAL_MOUSE);
  std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &info)) {
    if (::WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0) {
      ::GetExitCodeProcess(info.hProcess, &run.ExitCode);
    } else {
      ::TerminateProcess(info.hProcess, 99);
      run.Output = "(did not end within 60 s) ";
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
  ::CloseHandle(output);
  for (const std::string& line : ReadTextLines(outputFile)) run.Output += line + "\n";
  return run;
}

// Longer than a burst of notices and the Agent's settle time after it, so
// that whatever the Agent makes of a plug or unplug has been done.
constexpr auto kLongerThanABurst = 1500ms;

std::chrono::milliseconds Elapsed(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since);
}

// The unrelated device's HID interface, or empty.
std::wstring OtherDeviceInterface() {
  for (const std::wstring& path : vmouse::HidInterfacePaths()) {
    std::wstring lower = path;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    if (lower.find(L"vid_1209&pid_0001") != std::wstring::npos) return path;
  }
  return {};
}

// The path of the mouse's interface whose hardware id ends in `mark`.
std::wstring MouseInterface(const wchar_t* mark) {
  for (const std::wstring& path : vmouse::HidInterfacePaths()) {
    std::wstring lower = path;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    if (lower.find(L"pid_b412&") != std::wstring::npos && lower.find(mark) != std::wstring::npos) {
      return path;
    }
  }
  return {};
}

// One read of report 3 straight from the settings interface.
bool ReadSettingsReport(std::vector<uint8_t>& report) {
  HANDLE file =
      ::CreateFileW(MouseInterface(L"mi_01").c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  report.assign(kSettingsReportLength, 0);
  report[0] = kSettingsReportId;
  const bool read = ::HidD_GetFeature(file, report.data(), static_cast<ULONG>(report.size()));
  ::CloseHandle(file);
  return read;
}

class VirtualMouseProcess : public AgentFixture {
 protected:
  VirtualMouseProcess()
      : AgentFixture({FromBuildPath(LT260_AGENT), FromBuildPath(LT260_GAMING),
                      FromBuildPath(LT260_COMPANION)}),
        mouse_(FromBuildPath(LT260_VIRTUAL_MOUSE).parent_path()) {}

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(mouse_.Install(error)) << error;
    AgentFixture::SetUp();
  }

  void TearDown() override {
    AgentFixture::TearDown();
    ExpectDriverAlive();
  }

  // The driver answers as long as its host process lives: every test ends by
  // asking, so a crashed host is named rather than seen as a mouse gone quiet.
  void ExpectDriverAlive() {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(mouse_.TakeTrace(lines, error) || error.find("not recorded") != std::string::npos)
        << "the virtual mouse's driver no longer answers (did its host, winedevice.exe, crash? "
           "only \"wineserver -k\" brings it back): "
        << error;
  }

  void StartAgent() { StartAgentWith({{L"LT260_CONFIGURATOR_LOG", gamingLog_.wstring()}}); }

  void StartWithConfigurator() {
    StartBehindConfigurator({{L"LT260_CONFIGURATOR_LOG", gamingLog_.wstring()}});
  }

  // What the driver has recorded since the last time, after what was seen.
  void TakeTransfers(std::vector<TransferRecord>& seen) override {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(mouse_.TakeTrace(lines, error)) << error;
    for (const std::string& line : lines) {
      std::optional<TransferRecord> transfer = ParseTraceLine(line);
      EXPECT_TRUE(transfer.has_value()) << "not a trace line: " << line.substr(0, 60);
      if (transfer) seen.push_back(std::move(*transfer));
    }
  }

  // The trace summary of each transfer ("set 40 refused 03").
  static std::vector<std::string> Summaries(const std::vector<TransferRecord>& transfers) {
    std::vector<std::string> lines;
    for (const TransferRecord& t : transfers) lines.push_back(TraceSummary(t));
    return lines;
  }

  // What the Agent posted to the stand-in Configurator, leaving out what the
  // system sends every top-level window.
  std::vector<ReceivedMessage> ConfiguratorMessages() const {
    std::vector<ReceivedMessage> posted;
    for (const ReceivedMessage& m : configurator_->Messages()) {
      if (m.Posted && m.Message >= WM_USER) posted.push_back(m);
    }
    return posted;
  }

  // Posts the reload and returns the transfers it caused, up to the fence.
  std::vector<TransferRecord> Reload() {
    const size_t from = Transfers().size();
    std::string error;
    EXPECT_TRUE(Post(agentWindow_, WM_AGENT_RELOAD, 0, 0, error)) << error;
    return TransfersUntilFence(from);
  }

  vmouse::VirtualMouse mouse_;
};

TEST_F(VirtualMouseProcess, HidCapsGiveTheLengthsTheFirmwareModelDeclares) {
  // What the class driver computed from our descriptors, per interface.
  std::multiset<std::pair<int, int>> wine;
  for (const std::wstring& path : vmouse::HidInterfacePaths()) {
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << win32::Utf8(path);
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    HIDP_CAPS caps{};
    const bool read = ::HidD_GetAttributes(file, &attributes) &&
                      ::HidD_GetPreparsedData(file, &preparsed) &&
                      ::HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    if (preparsed != nullptr) ::HidD_FreePreparsedData(preparsed);
    ::CloseHandle(file);
    ASSERT_TRUE(read) << win32::Utf8(path);
    if (attributes.VendorID == kSecondVendorId && attributes.ProductID == kSecondProductId) {
      wine.insert({caps.InputReportByteLength, caps.FeatureReportByteLength});
    }
  }
  std::multiset<std::pair<int, int>> model;
  for (const SimulatedInterface& declared : LT260Interfaces()) {
    model.insert({declared.InputReportLength, declared.FeatureReportLength});
  }
  EXPECT_EQ(wine, model);
}

TEST_F(VirtualMouseProcess, StartUpReadsTheMouseBackAndIgnoresOtherDevices) {
  // Wine's own HID devices and the control interface are there too.
  size_t others = 0;
  for (const std::wstring& path : vmouse::HidInterfacePaths()) {
    if (path.find(L"b412") == std::wstring::npos && path.find(L"B412") == std::wstring::npos) {
      ++others;
    }
  }
  ASSERT_GE(others, 2u) << "no other HID devices to ignore";

  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  EXPECT_EQ(Summaries(transfers_),
            (std::vector<std::string>{"get 40 accepted 03", "get 2049 accepted 04",
                                      "set 8 accepted 06"}));
  EXPECT_EQ(Setting(u"Device"), 1);
  // The read-back of the default profile stores its stage.
  EXPECT_EQ(ReadSettingsInt(settings_, ActiveProfileSection(), u"DPI_Cur"),
            DefaultProfileSetting().DPI_Cur);
}

TEST_F(VirtualMouseProcess, ReloadSendsBothReportsAsTheEncodersBuildThem) {
  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  ASSERT_NO_FATAL_FAILURE(EditActiveProfile());
  const std::vector<TransferRecord> sent = Reload();

  const ProfileSetting active = LoadActiveProfile();
  const SettingsReportBytes settingsReport = BuildSettingsReport(active);
  const ButtonReportBytes buttonReport = BuildButtonReport(active);
  ASSERT_EQ(sent.size(), 2u) << testing::PrintToString(Summaries(sent));
  EXPECT_TRUE(IsSet(sent[0], 40) && sent[0].Accepted);
  EXPECT_EQ(TraceBytes(sent[0].Bytes), TraceBytes(settingsReport));
  EXPECT_TRUE(IsSet(sent[1], 2049) && sent[1].Accepted);
  EXPECT_EQ(TraceBytes(sent[1].Bytes), TraceBytes(buttonReport));
}

TEST_F(VirtualMouseProcess, CommandReportReachesTheMouse) {
  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  const size_t from = Transfers().size();
  const std::vector<TransferRecord> before = TransfersUntilFence(from);
  EXPECT_TRUE(before.empty());
  const TransferRecord& command = transfers_.back();
  const CommandReportBytes expected = BuildCommandReport();
  EXPECT_TRUE(command.Accepted);
  EXPECT_EQ(TraceBytes(command.Bytes), TraceBytes(expected));
}

TEST_F(VirtualMouseProcess, DpiPressesReachTheConfigurator) {
  // The stand-in Configurator as Gaming.exe, started by the Agent itself.
  ASSERT_NO_FATAL_FAILURE(StartAgent());
  auto logged = [&](const std::string& text) {
    std::vector<std::string> lines = ReadTextLines(gamingLog_);
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(text) != std::string::npos;
    });
  };
  ASSERT_TRUE(WaitUntil([&] { return logged("started") >= 1; })) << "Gaming.exe was not started";
  ASSERT_NE(WaitForWindow(win32::AsWide(kConfiguratorWindowTitle)), nullptr);
  Fence();

  std::string error;
  for (int stage : {4, 2}) {
    ASSERT_TRUE(mouse_.Press(static_cast<uint8_t>(stage), error)) << error;
    char expected[64];
    std::snprintf(expected, sizeof expected, "message=0x506 wParam=0x%X lParam=0x%X",
                  static_cast<unsigned>(Setting(u"Active").value_or(0)),
                  static_cast<unsigned>(stage - 1));
    EXPECT_TRUE(WaitUntil([&] { return logged(expected) >= 1; }))
        << "Gaming.exe did not get " << expected;
    Fence();
    EXPECT_EQ(ReadSettingsInt(settings_, ActiveProfileSection(), u"DPI_Cur"), stage);
  }
  std::vector<std::string> reads;
  for (const TransferRecord& t : transfers_) {
    if (t.Kind == TransferKind::InputRead) reads.push_back(TraceLine(t));
  }
  EXPECT_EQ(reads, (std::vector<std::string>{"read 4 02 00 04 00", "read 4 02 00 02 00"}));
}

// Nobody posts WM_DEVICECHANGE to the Agent here: what it hears comes from the
// system's notices for the interfaces it registered for. The virtual mouse
// plugs its four interfaces one by one, the input interface first, so the
// first notices name a mouse that is not whole yet.
TEST_F(VirtualMouseProcess, OneUnplugTellsOnceAndOnePlugReadsBackOnceWhenWhole) {
  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  bool changed = false;
  std::string error;
  auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(mouse_.Unplug(changed, error)) << error;
  const auto unplugged = Elapsed(started);
  ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 1))
      << "no WM_CFG_DEVICE_ABSENT after the unplug";
  const auto told = Elapsed(started);
  std::this_thread::sleep_for(kLongerThanABurst);
  ASSERT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size(), 1u)
      << "one unplug, one WM_CFG_DEVICE_ABSENT";
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).front().WParam, kDeviceAbsentWParam);

  const size_t syncs = configurator_->MessagesOf(WM_CFG_SYNC_DONE).size();
  const size_t from = Transfers().size();
  started = std::chrono::steady_clock::now();
  ASSERT_TRUE(mouse_.Plug(changed, error)) << error;
  const auto plugged = Elapsed(started);
  // Plug returns as soon as the last interface can be opened; a read-back
  // that waited for the whole mouse comes a settle time after that.
  EXPECT_EQ(Summaries(TransfersFrom(from)), std::vector<std::string>{})
      << "the mouse was read before all of its interfaces were there";
  ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, syncs + 1))
      << "plugging the mouse in was not read back";
  const auto readBack = Elapsed(started);
  std::this_thread::sleep_for(kLongerThanABurst);
  EXPECT_EQ(Summaries(TransfersUntilFence(from)),
            (std::vector<std::string>{"get 40 accepted 03", "get 2049 accepted 04"}))
      << "one plug, one read-back";
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_SYNC_DONE).size(), syncs + 1);
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size(), 1u)
      << "the Configurator was told the mouse was absent while it arrived";
  EXPECT_EQ(Setting(u"Device"), 1);
  std::printf(
      "[ timings  ] unplug %lld ms, WM_CFG_DEVICE_ABSENT %lld ms after it began; plug %lld ms, "
      "read-back done %lld ms after it began\n",
      static_cast<long long>(unplugged.count()), static_cast<long long>(told.count()),
      static_cast<long long>(plugged.count()), static_cast<long long>(readBack.count()));
}

// Another HID device, of a vendor and product the Agent does not accept,
// plugged and unplugged beside the mouse, then with the mouse unplugged: the
// Agent hears it like any interface, and must leave the mouse, the settings
// file and the Configurator alone.
TEST_F(VirtualMouseProcess, AnotherDeviceComingAndGoingChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  std::string error;
  // The mouse now holds another DPI stage than the file: a read-back would
  // store it, so any reading shows in the file as well as in the trace.
  ProfileSetting moved = DefaultProfileSetting();
  moved.DPI_Cur = moved.DPI_Cur == 2 ? 3 : 2;
  const SettingsReportBytes report = BuildSettingsReport(moved);
  ASSERT_TRUE(mouse_.Hold({report.begin(), report.end()}, error)) << error;
  bool changed = false;
  for (const bool mousePlugged : {true, false}) {
    SCOPED_TRACE(mousePlugged ? "mouse plugged in" : "mouse unplugged");
    if (!mousePlugged) {
      ASSERT_TRUE(mouse_.Unplug(changed, error)) << error;
      ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DEVICE_ABSENT, 1));
      std::this_thread::sleep_for(kLongerThanABurst);
    }
    const std::string bytes = Bytes(settings_);
    const auto written = std::filesystem::last_write_time(settings_);
    const size_t messages = ConfiguratorMessages().size();
    const size_t from = Transfers().size();

    const ToolRun plug = RunControlProgram(L"plug-other");
    ASSERT_EQ(plug.ExitCode, 0u) << plug.Output;
    EXPECT_FALSE(OtherDeviceInterface().empty()) << "the other device has no HID interface";
    std::this_thread::sleep_for(kLongerThanABurst);
    const ToolRun unplug = RunControlProgram(L"unplug-other");
    ASSERT_EQ(unplug.ExitCode, 0u) << unplug.Output;
    EXPECT_TRUE(OtherDeviceInterface().empty());
    std::this_thread::sleep_for(kLongerThanABurst);

    // The command report fences only a mouse that is there to take it.
    const std::vector<TransferRecord> seen =
        mousePlugged ? TransfersUntilFence(from) : TransfersFrom(from);
    EXPECT_EQ(Summaries(seen), std::vector<std::string>{}) << "the mouse was read";
    EXPECT_TRUE(Bytes(settings_) == bytes) << "the settings file was rewritten";
    EXPECT_TRUE(std::filesystem::last_write_time(settings_) == written)
        << "the settings file was written";
    const std::vector<ReceivedMessage> after = ConfiguratorMessages();
    EXPECT_EQ(after.size(), messages)
        << "the Configurator got 0x" << std::hex << after.back().Message;
  }
  const ToolRun again = RunControlProgram(L"unplug-other");
  EXPECT_EQ(again.ExitCode, 0u);
  EXPECT_NE(again.Output.find("changed nothing"), std::string::npos) << again.Output;
}

TEST_F(VirtualMouseProcess, RefusedSettingsReportIsRetried) {
  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  std::string error;
  ASSERT_TRUE(mouse_.Refuse(2, error)) << error;
  EXPECT_EQ(Summaries(Reload()),
            (std::vector<std::string>{"set 40 refused 03", "set 40 refused 03",
                                      "set 40 accepted 03", "set 2049 accepted 04"}));

  ASSERT_TRUE(mouse_.Refuse(5, error)) << error;
  EXPECT_EQ(Summaries(Reload()), std::vector<std::string>(5, "set 40 refused 03"))
      << "five refusals end the send before the button report";
}

TEST_F(VirtualMouseProcess, LockIgnoresDeviceChangesAndUnlockReadsBack) {
  ASSERT_NO_FATAL_FAILURE(StartWithConfigurator());
  std::string error;
  ASSERT_TRUE(Post(agentWindow_, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0, error)) << error;
  Fence();
  ASSERT_EQ(Setting(u"Device"), 0) << "locking did not write \"Device\" 0";

  const size_t from = Transfers().size();
  bool changed = false;
  ASSERT_TRUE(mouse_.Unplug(changed, error)) << error;
  ASSERT_TRUE(mouse_.Plug(changed, error)) << error;
  // The notices of both are queued before the fence: a plugged mouse answers
  // the command report only once its interfaces are back.
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(Summaries(TransfersUntilFence(from)), std::vector<std::string>{})
      << "device changes were acted on while locked";
  EXPECT_EQ(configurator_->MessagesOf(WM_CFG_DEVICE_ABSENT).size(), 0u);

  std::this_thread::sleep_for(kSyncQuietTime);
  const size_t syncs = configurator_->MessagesOf(WM_CFG_SYNC_DONE).size();
  ASSERT_TRUE(Post(agentWindow_, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0, error)) << error;
  EXPECT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, syncs + 1))
      << "unlocking did not read the mouse back";
  Fence();
  EXPECT_EQ(Setting(u"Device"), 1) << "unlocking did not write \"Device\" 1";
}

TEST_F(VirtualMouseProcess, ControlProgramVerbsDoWhatTheySayAndExplainRefusals) {
  // Bad command lines: exit 2 with the reason.
  for (const wchar_t* arguments :
       {L"", L"frobnicate", L"press 256", L"press", L"refuse -1", L"hold 3 03 zz", L"hold 5 05",
        L"hold 4 03 00", L"trace", L"plug now"}) {
    const ToolRun run = RunControlProgram(arguments);
    EXPECT_EQ(run.ExitCode, 2u) << win32::Utf8(arguments) << ": " << run.Output;
    EXPECT_NE(run.Output.find("lt260-virtual-mouse: "), std::string::npos) << run.Output;
  }

  // A held report is what the mouse answers with.
  std::vector<uint8_t> held(kSettingsReportLength);
  for (size_t i = 0; i < held.size(); ++i) held[i] = static_cast<uint8_t>(i * 7);
  held[0] = kSettingsReportId;
  const std::string heldHex = TraceBytes(held);
  EXPECT_EQ(RunControlProgram(L"hold 3 " + std::wstring(heldHex.begin(), heldHex.end())).ExitCode,
            0u);
  std::vector<uint8_t> answer;
  ASSERT_TRUE(ReadSettingsReport(answer));
  EXPECT_EQ(answer, held);
  const ToolRun shortHold = RunControlProgram(L"hold 3 03 01");
  EXPECT_EQ(shortHold.ExitCode, 1u);
  EXPECT_NE(shortHold.Output.find("40 bytes"), std::string::npos) << shortHold.Output;

  // A refusal, then the button; the trace file gets both, in the trace's form.
  EXPECT_EQ(RunControlProgram(L"refuse 1").ExitCode, 0u);
  EXPECT_FALSE(ReadSettingsReport(answer));
  EXPECT_EQ(RunControlProgram(L"press 7").ExitCode, 0u);
  const std::filesystem::path trace = folder_ / L"trace.log";
  EXPECT_EQ(RunControlProgram(L"trace \"" + trace.wstring() + L"\"").ExitCode, 0u);
  std::vector<TransferRecord> traced;
  for (const std::string& line : ReadTextLines(trace)) {
    std::optional<TransferRecord> transfer = ParseTraceLine(line);
    ASSERT_TRUE(transfer.has_value()) << "not a trace line: " << line.substr(0, 60);
    traced.push_back(std::move(*transfer));
  }
  EXPECT_EQ(Summaries(traced), (std::vector<std::string>{"get 40 accepted 03", "get 40 refused 03",
                                                         "read 4 02 00 07 00"}));
  ASSERT_FALSE(traced.empty());
  EXPECT_EQ(traced[0].Bytes, held) << "the trace carries every byte of the answer";

  // Unplugged, the button sends nothing and says why; plugging twice is no error.
  EXPECT_EQ(RunControlProgram(L"unplug").ExitCode, 0u);
  EXPECT_TRUE(MouseInterface(L"mi_00").empty());
  const ToolRun again = RunControlProgram(L"unplug");
  EXPECT_EQ(again.ExitCode, 0u);
  EXPECT_NE(again.Output.find("changed nothing"), std::string::npos) << again.Output;
  const ToolRun press = RunControlProgram(L"press 1");
  EXPECT_EQ(press.ExitCode, 1u);
  EXPECT_NE(press.Output.find("unplugged"), std::string::npos) << press.Output;
  EXPECT_EQ(RunControlProgram(L"plug").ExitCode, 0u);
  EXPECT_FALSE(MouseInterface(L"mi_03").empty());
  // The mouse keeps what it held through the unplug, as its memory does.
  ASSERT_TRUE(ReadSettingsReport(answer));
  EXPECT_EQ(answer, held);
}

TEST_F(VirtualMouseProcess, TraceReadTooLateSaysTransfersWereLost) {
  std::vector<uint8_t> answer;
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(ReadSettingsReport(answer));
  const std::filesystem::path trace = folder_ / L"late.log";
  const ToolRun run = RunControlProgram(L"trace \"" + trace.wstring() + L"\"");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_NE(run.Output.find("8 transfers were not recorded"), std::string::npos) << run.Output;
  EXPECT_EQ(ReadTextLines(trace).size(), 32u) << "what the driver kept is still written";
}

}  // namespace
}  // namespace lt260
