// The test peers, run for real: the stand-in Configurator and on-screen
// display as child processes, the companion library loaded by path, and the
// simulated mouse's control window in this process.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/SimulatedMouseControl.h"
#include "protocol/DeviceIdentity.h"
#include "sim/SimulatedMouse.h"
#include "sim/TransferTrace.h"
#include "support/TempDir.h"
// <shellapi.h> needs the types of <windows.h>.
#include <dbt.h>
#include <shellapi.h>

namespace lt260 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::TempDir;

constexpr auto kStartTimeout = 20s;
constexpr auto kExitTimeout = 20s;

// The build passes the tools' paths as CMake sees them. Under Wine a Unix path
// is reached through drive Z:, which a new prefix maps to the root.
std::wstring ToolPath(const char* buildPath) {
  std::wstring path(buildPath, buildPath + std::char_traits<char>::length(buildPath));
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::istringstream text(test::ReadBytes(path));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The log lines after "started", without their times; the times must not go
// backwards.
std::vector<std::string> LoggedMessages(const std::vector<std::string>& lines) {
  static const std::regex pattern(
      R"(^(\d+) (message=0x[0-9A-F]+ wParam=0x[0-9A-F]+ lParam=0x[0-9A-F]+)$)");
  std::vector<std::string> messages;
  unsigned long long previous = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::smatch match;
    if (!std::regex_match(lines[i], match, pattern)) {
      ADD_FAILURE() << "not a message line: \"" << lines[i] << "\"";
      continue;
    }
    unsigned long long time = std::stoull(match[1].str());
    EXPECT_GE(time, previous) << lines[i];
    previous = time;
    messages.push_back(match[2].str());
  }
  return messages;
}

bool WaitFor(const std::function<bool()>& condition, Clock::duration timeout) {
  auto end = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// Dispatches this thread's messages until the condition holds.
bool PumpUntil(const std::function<bool()>& condition, Clock::duration timeout) {
  auto end = Clock::now() + timeout;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    if (condition()) return true;
    if (Clock::now() > end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// Dispatches everything already in this thread's queue.
void PumpPending() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
}

// A child process this test started; one still running at the end of a test
// (which has then failed) is ended so it cannot confuse the next.
class ChildProcess {
 public:
  explicit ChildProcess(HANDLE process) : process_(process) {}
  ~ChildProcess() {
    if (process_ == nullptr) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_, 99);
      ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  static ChildProcess Start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
      ADD_FAILURE() << "cannot start " << std::filesystem::path(exe).string() << ": error "
                    << ::GetLastError();
      return ChildProcess(nullptr);
    }
    ::CloseHandle(info.hThread);
    return ChildProcess(info.hProcess);
  }

  ChildProcess(ChildProcess&& other) noexcept : process_(other.process_) {
    other.process_ = nullptr;
  }

  bool Started() const { return process_ != nullptr; }
  DWORD Id() const { return ::GetProcessId(process_); }
  bool Running() const { return ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

  // The exit code, or -1 if the process did not end in time.
  long WaitForExit(Clock::duration timeout) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(timeout).count();
    if (::WaitForSingleObject(process_, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
  }

 private:
  HANDLE process_;
};

// The top-level window with this title that belongs to this process id; other
// tests running at the same time may have windows of the same title.
HWND FindWindowOf(DWORD processId, const std::wstring& title) {
  struct Search {
    DWORD processId;
    const std::wstring* title;
    HWND found;
  } search{processId, &title, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != s->processId) return TRUE;
        wchar_t text[256] = {};
        ::GetWindowTextW(window, text, 256);
        if (*s->title != text) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindowOf(const ChildProcess& child, const std::wstring& title) {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindWindowOf(child.Id(), title)) != nullptr || !child.Running(); },
          kStartTimeout);
  return window;
}

int CountWindowsTitled(const std::wstring& title) {
  struct Count {
    const std::wstring* title;
    int count;
  } count{&title, 0};
  ::EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* c = reinterpret_cast<Count*>(parameter);
        wchar_t text[256] = {};
        ::GetWindowTextW(window, text, 256);
        if (*c->title == text) ++c->count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count.count;
}

// The stubs.

TEST(ConfiguratorStub, LogsTheAgentsMessagesAndEndsOnClose) {
  TempDir folder;
  auto log = folder / "configurator.log";
  auto child = ChildProcess::Start(ToolPath(LT260_CONFIGURATOR_STUB),
                                   L"--log \"" + log.wstring() + L"\" --seconds 120");
  ASSERT_TRUE(child.Started());
  HWND window = WaitForWindowOf(child, L"Quendra LT-260");
  ASSERT_NE(window, nullptr) << "no window titled \"Quendra LT-260\" from the stub";
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & WS_POPUP, static_cast<LONG>(WS_POPUP));

  ASSERT_TRUE(::PostMessageW(window, 0x506, 2, 2));
  ASSERT_TRUE(::PostMessageW(window, WM_COMMAND, 0xFFFFFFFF, 0));
  ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(child.WaitForExit(kExitTimeout), 0);

  auto lines = ReadLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "started");
  EXPECT_EQ(LoggedMessages(lines), (std::vector<std::string>{
                                       "message=0x506 wParam=0x2 lParam=0x2",
                                       "message=0x111 wParam=0xFFFFFFFF lParam=0x0",
                                       "message=0x10 wParam=0x0 lParam=0x0",
                                   }));
}

TEST(ConfiguratorStub, LogsMessagesSentAsWellAsPosted) {
  TempDir folder;
  auto log = folder / "configurator.log";
  auto child = ChildProcess::Start(ToolPath(LT260_CONFIGURATOR_STUB),
                                   L"--log \"" + log.wstring() + L"\" --seconds 120");
  ASSERT_TRUE(child.Started());
  HWND window = WaitForWindowOf(child, L"Quendra LT-260");
  ASSERT_NE(window, nullptr);

  DWORD_PTR result = 0;
  ASSERT_TRUE(::SendMessageTimeoutW(window, 0x915, 0x917, 0, SMTO_ABORTIFHUNG, 10000, &result));
  ASSERT_TRUE(::PostMessageW(window, 0x505, 0, 0));
  ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(child.WaitForExit(kExitTimeout), 0);

  EXPECT_EQ(LoggedMessages(ReadLines(log)), (std::vector<std::string>{
                                                "message=0x915 wParam=0x917 lParam=0x0",
                                                "message=0x505 wParam=0x0 lParam=0x0",
                                                "message=0x10 wParam=0x0 lParam=0x0",
                                            }));
}

TEST(ConfiguratorStub, EndsByItselfAfterTheGivenSeconds) {
  TempDir folder;
  auto log = folder / "configurator.log";
  auto child = ChildProcess::Start(ToolPath(LT260_CONFIGURATOR_STUB),
                                   L"--log \"" + log.wstring() + L"\" --seconds 1");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.WaitForExit(kExitTimeout), 0);
  EXPECT_EQ(ReadLines(log), std::vector<std::string>{"started"});
}

TEST(ConfiguratorStub, RefusesAnUnknownArgument) {
  auto child = ChildProcess::Start(ToolPath(LT260_CONFIGURATOR_STUB), L"--colour red");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.WaitForExit(kExitTimeout), 2);
}

// Started as the Agent starts it: the shell's "open" on Gaming.exe, with no
// arguments, logging through the environment it inherits.
TEST(ConfiguratorStub, AsGamingExeLogsThroughTheEnvironment) {
  TempDir folder;
  auto log = folder / "gaming.log";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"LT260_CONFIGURATOR_LOG", log.wstring().c_str()));
  std::wstring exe = ToolPath(LT260_GAMING_STUB);
  EXPECT_EQ(std::filesystem::path(exe).filename().string(), "Gaming.exe");
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS;
  execute.lpVerb = L"open";
  execute.lpFile = exe.c_str();
  execute.nShow = SW_SHOWDEFAULT;
  BOOL started = ::ShellExecuteExW(&execute);
  ::SetEnvironmentVariableW(L"LT260_CONFIGURATOR_LOG", nullptr);
  ASSERT_TRUE(started) << "ShellExecuteExW failed: error " << ::GetLastError();
  ASSERT_NE(execute.hProcess, nullptr);
  ChildProcess child(execute.hProcess);

  HWND window = WaitForWindowOf(child, L"Quendra LT-260");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(child.WaitForExit(kExitTimeout), 0);
  auto lines = ReadLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "started");
}

TEST(OsdStub, APostedDestroyIsLoggedAndTheCloseEndsIt) {
  TempDir folder;
  auto log = folder / "osd.log";
  auto child = ChildProcess::Start(ToolPath(LT260_OSD_STUB),
                                   L"--log \"" + log.wstring() + L"\" --seconds 120");
  ASSERT_TRUE(child.Started());
  HWND window = WaitForWindowOf(child, L"OSDMain");
  ASSERT_NE(window, nullptr) << "no window titled \"OSDMain\" from the stub";

  ASSERT_TRUE(::PostMessageW(window, WM_DESTROY, 0, 0));
  ASSERT_TRUE(WaitFor([&] { return ReadLines(log).size() >= 2; }, kStartTimeout));
  // Still there after the posted WM_DESTROY, as a real window would be.
  std::this_thread::sleep_for(200ms);
  EXPECT_TRUE(child.Running());
  EXPECT_TRUE(::IsWindow(window));

  ASSERT_TRUE(::PostMessageW(window, WM_CLOSE, 0, 0));
  EXPECT_EQ(child.WaitForExit(kExitTimeout), 0);
  auto lines = ReadLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "started");
  EXPECT_EQ(LoggedMessages(lines), (std::vector<std::string>{
                                       "message=0x2 wParam=0x0 lParam=0x0",
                                       "message=0x10 wParam=0x0 lParam=0x0",
                                   }));
}

// The companion library.

using CheckUsbPidVidFunction = int (*)(int, int);

class CompanionStub : public ::testing::Test {
 protected:
  void SetUp() override {
    ::SetEnvironmentVariableW(L"LT260_COMPANION_RESULT", nullptr);
    library_ = ::LoadLibraryW(ToolPath(LT260_COMPANION_STUB).c_str());
    ASSERT_NE(library_, nullptr) << "cannot load CheckPidVid.dll: error " << ::GetLastError();
    check_ = reinterpret_cast<CheckUsbPidVidFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library_, "CheckUsbPidVid")));
    ASSERT_NE(check_, nullptr) << "no export named CheckUsbPidVid";
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"LT260_COMPANION_RESULT", nullptr);
    if (library_ != nullptr) ::FreeLibrary(library_);
  }

  HMODULE library_ = nullptr;
  CheckUsbPidVidFunction check_ = nullptr;
};

TEST_F(CompanionStub, AnswersOneOnlyForTheSecondProductAndVendor) {
  EXPECT_EQ(check_(kSecondProductId, kSecondVendorId), 1);
  const struct {
    int productId, vendorId;
  } others[] = {{kSecondVendorId, kSecondProductId},
                {kProductId, kVendorId},
                {kSecondProductId, kVendorId},
                {0, 0},
                {-1, -1}};
  for (const auto& other : others) {
    EXPECT_EQ(check_(other.productId, other.vendorId), 0)
        << std::hex << other.productId << " " << other.vendorId;
  }
}

TEST_F(CompanionStub, TheEnvironmentNamesTheAnswer) {
  const struct {
    const wchar_t* value;
    int expected;
  } cases[] = {{L"0", 0}, {L"7", 7}, {L"0x10", 16}, {L"-3", -3}, {L"yes", 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(::SetEnvironmentVariableW(L"LT260_COMPANION_RESULT", c.value));
    EXPECT_EQ(check_(kSecondProductId, kSecondVendorId), c.expected)
        << std::filesystem::path(c.value).string();
    EXPECT_EQ(check_(kProductId, kVendorId), c.expected) << std::filesystem::path(c.value).string();
  }
  ::SetEnvironmentVariableW(L"LT260_COMPANION_RESULT", nullptr);
  EXPECT_EQ(check_(kSecondProductId, kSecondVendorId), 1);
}

// The simulated mouse's control window.

// A window that stands for the agent window: registered for device notices,
// it counts the WM_DEVICECHANGE messages it gets.
class NotificationWindow {
 public:
  NotificationWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"LT260TestNotificationWindow";
    ::RegisterClassExW(&windowClass);
    window_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"LT-260 test notices", WS_POPUP, 0,
                                0, 0, 0, nullptr, nullptr, windowClass.hInstance, this);
  }
  ~NotificationWindow() {
    if (window_ != nullptr) ::DestroyWindow(window_);
  }
  NotificationWindow(const NotificationWindow&) = delete;
  NotificationWindow& operator=(const NotificationWindow&) = delete;

  HWND Handle() const { return window_; }
  WindowId Id() const { return reinterpret_cast<WindowId>(window_); }
  const std::vector<WPARAM>& DeviceChanges() const { return deviceChanges_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      ::SetWindowLongPtrW(
          window, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<NotificationWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_DEVICECHANGE) {
      self->deviceChanges_.push_back(wParam);
      return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::vector<WPARAM> deviceChanges_;
};

class SimulatedMouseControlTest : public ::testing::Test {
 protected:
  // The interface of the given feature or input length, opened.
  std::unique_ptr<HidDevice> OpenInterface(int inputLength, int featureLength) {
    for (const SimulatedInterface& i : LT260Interfaces()) {
      if (i.InputReportLength == inputLength && i.FeatureReportLength == featureLength) {
        return mouse_.Open(i.Path);
      }
    }
    return nullptr;
  }

  SimulatedMouse mouse_;
  NotificationWindow notices_;
};

TEST_F(SimulatedMouseControlTest, PressAndUnplugPostedToTheWindow) {
  ASSERT_NE(notices_.Handle(), nullptr);
  ASSERT_NE(mouse_.WatchInterfaces(notices_.Id()), 0u);
  SimulatedMouseControl control(mouse_);
  HWND window = reinterpret_cast<HWND>(control.Window());
  ASSERT_NE(window, nullptr);
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  EXPECT_EQ(std::wstring(title), L"LT-260 Simulated Mouse");
  EXPECT_FALSE(::IsWindowVisible(window));

  auto input = OpenInterface(4, 0);
  ASSERT_NE(input, nullptr);
  ASSERT_TRUE(::PostMessageW(window, WM_SIM_PRESS_DPI, 3, 0));
  PumpPending();
  // The press is queued by now, so this read returns at once.
  std::vector<uint8_t> report(4);
  ASSERT_EQ(input->ReadInput(report), InputRead::Report(4));
  EXPECT_EQ(report, (std::vector<uint8_t>{0x02, 0x00, 0x03, 0x00}));
  EXPECT_TRUE(notices_.DeviceChanges().empty());

  ASSERT_TRUE(::PostMessageW(window, WM_SIM_UNPLUG, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return !notices_.DeviceChanges().empty(); }, 5s))
      << "the registered window got no WM_DEVICECHANGE";
  EXPECT_FALSE(mouse_.PluggedIn());
  EXPECT_TRUE(mouse_.EnumerateInterfaces().empty());
  EXPECT_EQ(notices_.DeviceChanges(), std::vector<WPARAM>{DBT_DEVNODES_CHANGED});

  // Unplugging again changes nothing and tells nobody; plugging in tells.
  EXPECT_EQ(::SendMessageW(window, WM_SIM_UNPLUG, 0, 0), 0);
  PumpPending();
  EXPECT_EQ(notices_.DeviceChanges().size(), 1u);
  EXPECT_EQ(::SendMessageW(window, WM_SIM_PLUG, 0, 0), 1);
  ASSERT_TRUE(PumpUntil([&] { return notices_.DeviceChanges().size() == 2; }, 5s));
  EXPECT_TRUE(mouse_.PluggedIn());
}

TEST_F(SimulatedMouseControlTest, RefusalsAndTheTraceLog) {
  TempDir folder;
  auto log = folder / "sim.log";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"LT260_SIM_LOG", log.wstring().c_str()));
  SimulatedMouseControl control(mouse_);
  ::SetEnvironmentVariableW(L"LT260_SIM_LOG", nullptr);
  HWND window = reinterpret_cast<HWND>(control.Window());
  ASSERT_NE(window, nullptr);

  ASSERT_TRUE(::PostMessageW(window, WM_SIM_REFUSE, 2, 0));
  PumpPending();
  auto settings = OpenInterface(0, 40);
  ASSERT_NE(settings, nullptr);
  std::vector<uint8_t> report = mouse_.SettingsReport();
  EXPECT_FALSE(settings->SetFeature(report));
  EXPECT_FALSE(settings->SetFeature(report));
  EXPECT_TRUE(settings->SetFeature(report));

  ASSERT_TRUE(::PostMessageW(window, WM_SIM_WRITE_TRACE, 0, 0));
  PumpPending();
  const std::string hex = " " + TraceBytes(report);
  EXPECT_EQ(ReadLines(log), (std::vector<std::string>{
                                "set 40 refused" + hex,
                                "set 40 refused" + hex,
                                "set 40 accepted" + hex,
                            }));

  // Later transfers reach the log by themselves, each once.
  std::vector<uint8_t> answer(40);
  answer[0] = 3;
  EXPECT_TRUE(settings->GetFeature(answer));
  ASSERT_TRUE(PumpUntil([&] { return ReadLines(log).size() == 4; }, 5s));
  EXPECT_EQ(ReadLines(log).back(), "get 40 accepted" + hex) << "the answer, every byte";
}

TEST_F(SimulatedMouseControlTest, NothingIsLoggedWithoutTheVariable) {
  ::SetEnvironmentVariableW(L"LT260_SIM_LOG", nullptr);
  SimulatedMouseControl control(mouse_);
  auto settings = OpenInterface(0, 40);
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->SetFeature(mouse_.SettingsReport()));
  EXPECT_TRUE(control.WriteTrace());
}

// The control tool against this process's control window.

std::vector<uint8_t> Report(size_t length, uint8_t id, uint8_t fill) {
  std::vector<uint8_t> report(length, fill);
  report[0] = id;
  return report;
}

// "03 f0 f0 ...": bytes as the tool takes them.
std::wstring HexArguments(const std::vector<uint8_t>& bytes) {
  const std::string text = TraceBytes(bytes);
  return std::wstring(text.begin(), text.end());
}

long RunSimControl(const std::wstring& arguments) {
  auto child = ChildProcess::Start(ToolPath(LT260_SIM_CONTROL), arguments);
  if (!child.Started()) return -1;
  // With --wait the tool sends to a window of this thread: keep dispatching.
  long code = -1;
  PumpUntil(
      [&] {
        code = child.WaitForExit(0ms);
        return code != -1;
      },
      kExitTimeout);
  return code;
}

TEST_F(SimulatedMouseControlTest, ToolRefusesABadCommandLine) {
  EXPECT_EQ(RunSimControl(L""), 2);
  EXPECT_EQ(RunSimControl(L"jump"), 2);
  EXPECT_EQ(RunSimControl(L"press"), 2);
  EXPECT_EQ(RunSimControl(L"press 256"), 2);
  EXPECT_EQ(RunSimControl(L"refuse -1"), 2);
  EXPECT_EQ(RunSimControl(L"plug now"), 2);
  EXPECT_EQ(RunSimControl(L"vanish-after"), 2);
  EXPECT_EQ(RunSimControl(L"vanish-after -2"), 2);
  EXPECT_EQ(RunSimControl(L"garbage 0"), 2);
  EXPECT_EQ(RunSimControl(L"garbage 100001"), 2);
  EXPECT_EQ(RunSimControl(L"garbage 5x"), 2);
  EXPECT_EQ(RunSimControl(L"hold"), 2);
  EXPECT_EQ(RunSimControl(L"hold 6 06 00 00 00 00 00 00 00"), 2);
  const std::wstring settingsBytes = HexArguments(Report(40, 3, 0x11));
  EXPECT_EQ(RunSimControl(L"hold 3 " + HexArguments(Report(39, 3, 0x11))), 2) << "one byte short";
  EXPECT_EQ(RunSimControl(L"hold 3 " + settingsBytes + L" 00"), 2) << "one byte too many";
  EXPECT_EQ(RunSimControl(L"hold 4 " + settingsBytes), 2) << "report 3's bytes as report 4";
  EXPECT_EQ(RunSimControl(L"hold 3 " + HexArguments(Report(40, 4, 0x11))), 2) << "ID 4 first";
  EXPECT_EQ(RunSimControl(L"hold 3 " + settingsBytes.substr(3) + L" 1"), 2) << "one digit";
  EXPECT_EQ(RunSimControl(L"hold 3 " + settingsBytes.substr(3) + L" 0x"), 2) << "not hex";
  EXPECT_EQ(RunSimControl(L"--wait hold 3 " + settingsBytes), 2);
}

TEST_F(SimulatedMouseControlTest, ToolSaysSoWhenThereIsNoWindow) {
  if (CountWindowsTitled(L"LT-260 Simulated Mouse") != 0) {
    GTEST_SKIP() << "another program has a simulated mouse window open";
  }
  EXPECT_EQ(RunSimControl(L"plug"), 1);
}

TEST_F(SimulatedMouseControlTest, ToolDrivesTheMouse) {
  ASSERT_NE(mouse_.WatchInterfaces(notices_.Id()), 0u);
  SimulatedMouseControl control(mouse_);
  ASSERT_NE(control.Window(), 0u);
  if (CountWindowsTitled(L"LT-260 Simulated Mouse") != 1) {
    GTEST_SKIP() << "another program has a simulated mouse window open";
  }
  auto settings = OpenInterface(0, 40);
  ASSERT_NE(settings, nullptr);

  EXPECT_EQ(RunSimControl(L"--wait refuse 1"), 0);
  EXPECT_FALSE(settings->SetFeature(mouse_.SettingsReport()));
  EXPECT_TRUE(settings->SetFeature(mouse_.SettingsReport()));

  EXPECT_EQ(RunSimControl(L"--wait unplug"), 0);
  EXPECT_FALSE(mouse_.PluggedIn());
  EXPECT_EQ(RunSimControl(L"plug"), 0);
  ASSERT_TRUE(PumpUntil([&] { return mouse_.PluggedIn(); }, 5s));
  ASSERT_TRUE(PumpUntil([&] { return notices_.DeviceChanges().size() == 2; }, 5s));
}

TEST_F(SimulatedMouseControlTest, ToolHoldsReportsPullsTheMouseOutAndSendsGarbage) {
  ASSERT_NE(mouse_.WatchInterfaces(notices_.Id()), 0u);
  SimulatedMouseControl control(mouse_);
  ASSERT_NE(control.Window(), 0u);
  if (CountWindowsTitled(L"LT-260 Simulated Mouse") != 1) {
    GTEST_SKIP() << "another program has a simulated mouse window open";
  }
  // Two thousand and more bytes on one command line, each arriving intact.
  std::vector<uint8_t> buttons(2049);
  for (size_t i = 0; i < buttons.size(); ++i) buttons[i] = static_cast<uint8_t>(i * 7 + 1);
  buttons[0] = 4;
  const std::vector<uint8_t> settings = Report(40, 3, 0xF0);
  EXPECT_EQ(RunSimControl(L"hold 4 " + HexArguments(buttons)), 0);
  EXPECT_EQ(RunSimControl(L"hold 3 " + HexArguments(settings)), 0);
  EXPECT_EQ(mouse_.ButtonReport(), buttons);
  EXPECT_EQ(mouse_.SettingsReport(), settings);

  auto input = OpenInterface(4, 0);
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(RunSimControl(L"--wait garbage 3"), 0);
  std::vector<uint8_t> report(4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(input->ReadInput(report).Outcome, ReadOutcome::Report);

  auto settingsDevice = OpenInterface(0, 40);
  ASSERT_NE(settingsDevice, nullptr);
  EXPECT_EQ(RunSimControl(L"--wait vanish-after 2"), 0);
  std::vector<uint8_t> answer = Report(40, 3, 0);
  EXPECT_TRUE(settingsDevice->GetFeature(answer));
  EXPECT_TRUE(mouse_.PluggedIn());
  EXPECT_TRUE(settingsDevice->GetFeature(answer));
  EXPECT_FALSE(mouse_.PluggedIn());
  ASSERT_TRUE(PumpUntil([&] { return notices_.DeviceChanges().size() == 1; }, 5s))
      << "the vanish was not announced to the registered window";
  EXPECT_EQ(notices_.DeviceChanges(), std::vector<WPARAM>{DBT_DEVNODES_CHANGED});
}

}  // namespace
}  // namespace lt260
