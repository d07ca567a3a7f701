#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "app/AgentHarness.h"
#include "app/framework/WindowsMessageIds.h"
#include "ports/MessageNumbers.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

using test::AgentHarness;
using test::kConfiguratorWindow;
using test::kOsdWindow;
using test::PostedMessage;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

std::vector<std::string> Texts(const std::vector<MenuItem>& items) {
  std::vector<std::string> texts;
  for (const MenuItem& item : items) texts.push_back(ToUtf8(item.Text));
  return texts;
}

std::vector<uint32_t> Commands(const std::vector<MenuItem>& items) {
  std::vector<uint32_t> commands;
  for (const MenuItem& item : items) commands.push_back(item.Command);
  return commands;
}

TEST(AgentCreation, WithTheMouseStartsTheConfiguratorShowsTheIconAndAppliesPreferences) {
  AgentHarness agent;
  CMyWnd& window = agent.Create();

  EXPECT_EQ(agent.windowSystem.Find(window.GetSafeHwnd())->Title, u"Quendra_LT-260_Hid");
  EXPECT_EQ(agent.windowSystem.Find(window.GetSafeHwnd())->ExtendedStyle, kToolWindowExStyle);
  EXPECT_TRUE(std::filesystem::exists(agent.SettingsPath())) << "missing file created";
  EXPECT_EQ(agent.DeviceKey(), 1);
  EXPECT_THAT(agent.launcher.opened, ElementsAre(agent.system.programFolder / "Gaming.exe"));
  EXPECT_TRUE(agent.tray.shown);
  EXPECT_EQ(agent.tray.last.Window, window.GetSafeHwnd());
  EXPECT_EQ(agent.tray.last.CallbackMessage, WM_AGENT_TRAY_NOTIFY);
  EXPECT_EQ(agent.tray.last.IconResource, 137);
  EXPECT_EQ(agent.tray.last.Tip, u"Quendra LT-260");
  EXPECT_THAT(agent.mouse.TraceSummary(), ElementsAre("get 40 accepted 03", "get 2049 accepted 04"))
      << "the mouse is read, never programmed, at start-up";
  EXPECT_THAT(agent.trace, Contains("SetDoubleClickTime 680"));
  EXPECT_EQ(agent.debug.Lines().back(), "OnCreate over");
  EXPECT_EQ(agent.sessions.registered, window.GetSafeHwnd());
  EXPECT_EQ(agent.mouse.NotificationWindow(), window.GetSafeHwnd());
}

// Sees which of the mouse's interfaces are open when the window registers for
// device notices, which it does right after the listener's first discovery.
class RegistrationSpy final : public DeviceNotices {
 public:
  explicit RegistrationSpy(SimulatedMouse& mouse) : mouse_(mouse) {}
  uintptr_t WatchInterfaces(WindowId window) override {
    openAtRegistration = mouse_.OpenDevices();
    return mouse_.WatchInterfaces(window);
  }
  uintptr_t WatchRemoval(const HidDevice& device, WindowId window) override {
    return mouse_.WatchRemoval(device, window);
  }
  void EndWatch(uintptr_t watch) override { mouse_.EndWatch(watch); }
  uintptr_t WatchOfNotice(int64_t notice) const override { return mouse_.WatchOfNotice(notice); }
  int openAtRegistration = -1;

 private:
  SimulatedMouse& mouse_;
};

TEST(AgentCreation, AcceptsTheSecondVendorAndProductFromTheListenersFirstDiscovery) {
  AgentHarness agent;  // its mouse carries only the second vendor and product
  RegistrationSpy spy(agent.mouse);
  agent.deviceNotices = &spy;
  agent.Create();
  EXPECT_GE(spy.openAtRegistration, 1)
      << "the first discovery found nothing: the ids were set after it";
  agent.window.reset();  // while the spy, its backend, still exists
}

TEST(AgentCreation, WithoutTheMouseRecordsAbsenceAndStillAppliesPreferences) {
  AgentHarness agent;
  agent.mouse.Unplug();
  agent.Create();
  EXPECT_EQ(agent.DeviceKey(), 0);
  EXPECT_THAT(agent.launcher.opened, IsEmpty());
  EXPECT_THAT(agent.tray.calls, IsEmpty());
  EXPECT_THAT(agent.trace, Contains("SetDoubleClickTime 680"));
  EXPECT_EQ(agent.debug.Lines().back(), "OnCreate over");
}

TEST(AgentCreation, SaysOnTheDebugOutputWhatBecameOfTheSettingsFile) {
  AgentHarness created;
  created.Create();
  const std::string path = created.SettingsPath().string();
  EXPECT_THAT(created.debug.Lines(),
              Contains("settings " + path + ": was missing; wrote the defaults\n"));

  // A folder where the file should be: read from nowhere, written nowhere,
  // and said, while the mouse is read back and announced as usual.
  AgentHarness blocked;
  std::filesystem::create_directory(blocked.SettingsPath());
  blocked.ConfiguratorRunning(true);
  blocked.Create();
  const std::string folder = blocked.SettingsPath().string();
  EXPECT_THAT(blocked.debug.Lines(), Contains("settings " + folder +
                                              ": cannot be read; using the defaults and leaving "
                                              "it alone\n"));
  EXPECT_THAT(blocked.debug.Lines(), Contains("settings " + folder + ": Device not written\n"));
  EXPECT_TRUE(std::filesystem::is_directory(blocked.SettingsPath()));
  EXPECT_TRUE(std::filesystem::is_empty(blocked.SettingsPath()));
  EXPECT_THAT(blocked.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_SYNC_DONE, 0, 0}));
  blocked.Send(WM_AGENT_DPI_STAGE, 4);
  EXPECT_EQ(blocked.debug.Lines().back(), "settings " + folder + ": DPI_Cur not written\n");
}

TEST(AgentCreation, RunningConfiguratorAndHiddenIconAreRespected) {
  AgentHarness agent;
  agent.ConfiguratorRunning(true);
  agent.Settings().WriteInt(u"Setting", u"Show_TrayIcon", 0);
  agent.Create();
  EXPECT_THAT(agent.launcher.opened, IsEmpty());
  EXPECT_THAT(agent.tray.calls, IsEmpty());
  EXPECT_EQ(agent.DeviceKey(), 1);
}

TEST(AgentIcon, FollowsTheTableOfEvents) {
  AgentHarness agent;
  agent.Create();
  ASSERT_TRUE(agent.tray.shown);

  // The menu's second item removes it; a reload with the mouse shows it again.
  agent.Send(kWmCommand, ID_TRAY_HIDE);
  EXPECT_FALSE(agent.tray.shown);
  agent.Send(kWmCommand, ID_TRAY_HIDE);
  agent.Send(WM_AGENT_RELOAD);
  EXPECT_TRUE(agent.tray.shown);

  // A reload that finds no mouse leaves the icon as it is...
  agent.mouse.Unplug();
  agent.Send(WM_AGENT_RELOAD);
  EXPECT_TRUE(agent.tray.shown);
  // ...unless the settings no longer want it, mouse or not.
  agent.Settings().WriteInt(u"Setting", u"Show_TrayIcon", 0);
  agent.Send(WM_AGENT_RELOAD);
  EXPECT_FALSE(agent.tray.shown);
  agent.mouse.Plug();
  agent.Send(WM_AGENT_RELOAD);
  EXPECT_FALSE(agent.tray.shown);

  EXPECT_THAT(agent.tray.calls, ElementsAre("add 128", "delete 128", "add 128", "delete 128"))
      << "showing twice adds once; hiding a hidden icon does not call the shell";
}

TEST(AgentIcon, RefusedByTheShellStillCountsAsShown) {
  AgentHarness agent;
  agent.tray.accepts = false;
  agent.Create();
  agent.LaterBy(5000);
  agent.Send(kWmDeviceChange);
  EXPECT_THAT(agent.tray.calls, ElementsAre("add 128"));
}

TEST(AgentReload, ProgramsTheMouseWithTheReloadedProfile) {
  AgentHarness agent;
  agent.Create();
  agent.mouse.ClearTransfers();
  agent.Settings().WriteInt(u"Profile0Setting", u"DPI_Cur", 5);
  agent.Settings().WriteInt(u"Profile0Setting", u"DBClick_Speed", 10);
  agent.trace.clear();

  EXPECT_EQ(agent.Send(WM_AGENT_RELOAD), 0);
  EXPECT_EQ(agent.window->ActiveProfile().DPI_Cur, 5);
  EXPECT_THAT(agent.mouse.TraceSummary(),
              ElementsAre("set 40 accepted 03", "set 2049 accepted 04"));
  EXPECT_EQ(agent.mouse.SettingsReport()[1], 5);
  EXPECT_THAT(agent.trace, Contains("SetDoubleClickTime 200"));
  EXPECT_THAT(agent.messages.Posts(), IsEmpty()) << "a reload tells the Configurator nothing";
}

TEST(AgentDpiStage, IsSavedUnderActiveAndPassedOnNumberedFromZero) {
  AgentHarness agent;
  agent.ConfiguratorRunning(true);
  agent.Settings().WriteInt(u"Setting", u"Totle", 3);
  agent.Settings().WriteInt(u"Setting", u"Active", 2);
  agent.Settings().WriteInt(u"Setting", u"2", 1);  // slot 2 lives in section 1
  agent.Settings().WriteInt(u"Profile1Setting", u"DPI_Cur", 1);
  agent.Create();
  agent.messages.Clear();

  EXPECT_EQ(agent.Send(WM_AGENT_DPI_STAGE, 3), 1);
  EXPECT_EQ(agent.window->ActiveProfile().DPI_Cur, 3);
  EXPECT_EQ(agent.Settings().ReadInt(u"Profile2Setting", u"DPI_Cur", -1), 3);
  EXPECT_EQ(agent.Settings().ReadInt(u"Profile1Setting", u"DPI_Cur", -1), 1)
      << "the stage goes to the section Active names, not to the one slot 2 is read from";
  EXPECT_EQ(agent.window->LoadedSettings().Profiles[2].DPI_Cur, 1)
      << "the loaded copy keeps its stage until the next load";
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_DPI_STAGE, 2, 2}));
}

TEST(AgentDeviceCommand, SendsTheCommandReportAndAlwaysAnswersZero) {
  AgentHarness agent;
  agent.Create();
  agent.mouse.ClearTransfers();
  EXPECT_EQ(agent.Send(WM_AGENT_DEVICE_COMMAND), 0);
  EXPECT_THAT(agent.mouse.TraceSummary(), ElementsAre("set 8 accepted 06"));
  agent.mouse.Unplug();
  EXPECT_EQ(agent.Send(WM_AGENT_DEVICE_COMMAND), 0);
}

// The settings file's bytes, to tell whether anything wrote it.
std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(AgentDeviceChange, NoticesOnlyStartTheSettleTimerAgain) {
  AgentHarness agent;
  CMyWnd& window = agent.Create();
  agent.mouse.ClearTransfers();
  const int starts = agent.windowSystem.TimerStarts();

  EXPECT_EQ(agent.Notice(kDeviceArrival), 1);
  EXPECT_EQ(agent.Notice(), 1);
  EXPECT_EQ(agent.windowSystem.TimerStarts(), starts + 2);
  EXPECT_EQ(agent.windowSystem.TimerPeriod(window.GetSafeHwnd(), DEVICE_SETTLE_TIMER_ID),
            kDeviceSettleMilliseconds);
  EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty()) << "nothing is read while notices come";

  ASSERT_TRUE(agent.Settle());
  EXPECT_FALSE(agent.windowSystem.TimerPeriod(window.GetSafeHwnd(), DEVICE_SETTLE_TIMER_ID))
      << "the timer fires once per burst";
  // A kWmTimer that was already queued when the timer stopped finds nothing.
  agent.Send(kWmTimer, DEVICE_SETTLE_TIMER_ID);
  EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty()) << "the mouse stayed: nothing to read";
}

TEST(AgentDeviceChange, PlugReadsBackOnceAfterEveryInterfaceIsThereAndNeverSaysAbsent) {
  AgentHarness agent;
  agent.ConfiguratorRunning(true);
  agent.mouse.Unplug();
  agent.Create();
  agent.messages.Clear();
  agent.mouse.ClearTransfers();

  // Windows brings the collections up one by one, a notice each; here the
  // settle timer even fires between them.
  for (std::size_t count = 1; count <= 4; ++count) {
    agent.mouse.PlugInterfaces(count);
    agent.Notice(kDeviceArrival);
    agent.Settle();
    if (count < 4) {
      EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty()) << count << " interfaces";
    }
  }
  agent.Notice();
  agent.Settle();
  agent.Notice(kDeviceArrival);
  agent.Settle();

  EXPECT_THAT(agent.mouse.TraceSummary(), ElementsAre("get 40 accepted 03", "get 2049 accepted 04"))
      << "one read-back";
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_SYNC_DONE, 0, 0}));
  EXPECT_EQ(agent.DeviceKey(), 1);
  EXPECT_TRUE(agent.tray.shown);
}

TEST(AgentDeviceChange, UnplugSaysAbsentOnceAndAQuickReplugIsReadAgain) {
  AgentHarness agent;
  agent.ConfiguratorRunning(true);
  agent.Create();
  agent.messages.Clear();
  agent.mouse.ClearTransfers();
  const std::string settings = FileBytes(agent.SettingsPath());

  agent.mouse.Unplug();
  for (int i = 0; i < 4; ++i) agent.Notice(kDeviceRemoveComplete);
  agent.Notice();
  agent.Settle();
  agent.Notice();
  agent.Settle();
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_DEVICE_ABSENT, 0x917, 0}));
  EXPECT_FALSE(agent.tray.shown);
  EXPECT_EQ(FileBytes(agent.SettingsPath()), settings) << "absence is not written";
  EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty());

  // Back within the second of the last reading: it is read all the same, as
  // the mouse plugged in may not hold what the one pulled out did.
  agent.messages.Clear();
  agent.mouse.Plug();
  agent.Notice(kDeviceArrival);
  agent.Settle();
  EXPECT_THAT(agent.mouse.TraceSummary(),
              ElementsAre("get 40 accepted 03", "get 2049 accepted 04"));
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_SYNC_DONE, 0, 0}));
  EXPECT_TRUE(agent.tray.shown);
}

TEST(AgentDeviceChange, MousePulledAndPluggedWithinOneBurstIsReadAgain) {
  AgentHarness agent;
  agent.Create();
  agent.mouse.ClearTransfers();
  agent.mouse.Unplug();
  agent.Notice(kDeviceRemoveComplete);
  // The listener sees its input interface die.
  for (int i = 0; i < 5000 && !agent.window->Channel().HeldDevicesLost(); ++i) {
    std::this_thread::sleep_for(1ms);
  }
  agent.mouse.Plug();
  agent.Notice(kDeviceArrival);
  agent.Settle();
  EXPECT_THAT(agent.mouse.TraceSummary(),
              ElementsAre("get 40 accepted 03", "get 2049 accepted 04"));
  agent.mouse.PressDpiButton(4);
  ASSERT_TRUE(agent.messages.WaitForPosts(1));
  EXPECT_EQ(agent.messages.Posts().back().Message, WM_AGENT_DPI_STAGE)
      << "the listener reads the new input interface";
}

TEST(AgentDeviceChange, RemovalRequestClosesTheMouseAndAFailedRemovalOpensItAgain) {
  AgentHarness agent;
  agent.Create();
  agent.Send(kWmSessionChange, kSessionLock);  // requests are granted while locked too
  const std::u16string inputPath = AgentHarness::MouseConfig().Interfaces[0].Path;
  const auto notice = static_cast<int64_t>(agent.mouse.RemovalWatchOf(inputPath));
  ASSERT_NE(notice, 0);
  const int open = agent.mouse.OpenDevices();
  ASSERT_GT(open, 0);

  EXPECT_EQ(agent.Send(kWmDeviceChange, kDeviceQueryRemove, notice + 1000), 1);
  EXPECT_EQ(agent.mouse.OpenDevices(), open) << "a request about another device";
  EXPECT_EQ(agent.Send(kWmDeviceChange, kDeviceQueryRemove, notice), 1) << "granted";
  for (int i = 0; i < 5000 && agent.mouse.OpenDevices() != 0; ++i) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(agent.mouse.OpenDevices(), 0);

  EXPECT_EQ(agent.Send(kWmDeviceChange, kDeviceQueryRemoveFailed, notice), 1);
  EXPECT_GT(agent.mouse.OpenDevices(), 0);
  agent.mouse.PressDpiButton(2);
  ASSERT_TRUE(agent.messages.WaitForPosts(1));
  EXPECT_EQ(agent.messages.Posts().back().Message, WM_AGENT_DPI_STAGE);
}

TEST(AgentDeviceChange, RemovedInterfaceComingBackIsReadAgain) {
  AgentHarness agent;
  agent.Create();
  agent.mouse.ClearTransfers();
  const std::u16string inputPath = AgentHarness::MouseConfig().Interfaces[0].Path;
  const auto notice = static_cast<int64_t>(agent.mouse.RemovalWatchOf(inputPath));
  // Its driver is updated: the request, the interfaces going and coming back.
  agent.Send(kWmDeviceChange, kDeviceQueryRemove, notice);
  agent.mouse.PlugInterfaces(3);
  agent.Notice(kDeviceRemoveComplete);
  agent.Settle();
  EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty());
  agent.mouse.Plug();
  agent.Notice(kDeviceArrival);
  agent.Settle();
  EXPECT_THAT(agent.mouse.TraceSummary(),
              ElementsAre("get 40 accepted 03", "get 2049 accepted 04"));
}

TEST(AgentDeviceChange, OtherDevicesComingAndGoingChangeNothing) {
  const SimulatedInterface keyboard{u"\\\\?\\hid#vid_046d&pid_c31c#8&0&0000", 0x046D, 0xC31C, 9, 0};
  for (const bool mousePresent : {true, false}) {
    SCOPED_TRACE(mousePresent ? "mouse present" : "mouse absent");
    AgentHarness agent;
    agent.ConfiguratorRunning(true);
    if (!mousePresent) agent.mouse.Unplug();
    agent.Create();
    agent.messages.Clear();
    agent.mouse.ClearTransfers();
    const auto trayCalls = agent.tray.calls;
    const std::string settings = FileBytes(agent.SettingsPath());

    agent.mouse.AddUnrelatedInterface(keyboard);
    agent.Notice(kDeviceArrival);
    agent.Notice();
    agent.Settle();
    agent.LaterBy(5000);
    agent.mouse.RemoveUnrelatedInterface(keyboard.Path);
    agent.Notice(kDeviceRemoveComplete);
    agent.Settle();

    EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty()) << "no read-back";
    EXPECT_THAT(agent.messages.Posts(), IsEmpty()) << "no message";
    EXPECT_EQ(FileBytes(agent.SettingsPath()), settings) << "no file write";
    EXPECT_EQ(agent.tray.calls, trayCalls);
  }
}

// Lock and unlock from Windows 6 on: the agent suspends and resumes.
void LockAndUnlock(AgentHarness& agent) {
  agent.Create();
  agent.Send(kWmSessionChange, kSessionLock);
  EXPECT_TRUE(agent.window->SessionSuspended());
  EXPECT_FALSE(agent.tray.shown);
  EXPECT_EQ(agent.DeviceKey(), 0);

  agent.mouse.ClearTransfers();
  agent.LaterBy(5000);
  agent.Send(kWmDeviceChange);
  EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty()) << "device changes wait while locked";

  agent.Send(kWmSessionChange, kSessionUnlock);
  EXPECT_FALSE(agent.window->SessionSuspended());
  EXPECT_EQ(agent.mouse.TraceSummary().size(), 2u);
  EXPECT_TRUE(agent.tray.shown);
  EXPECT_EQ(agent.DeviceKey(), 1);
}

TEST(AgentSession, LockSuspendsAndUnlockResumesFromWindowsSix) {
  for (const uint32_t version : {6u, 10u}) {
    SCOPED_TRACE(version);
    AgentHarness agent;
    agent.system.majorVersion = version;
    LockAndUnlock(agent);
  }
}

// An unlock within a second of the last reading takes the mouse as read: no
// transfer, and the Configurator hears nothing, but the mouse counts as there.
TEST(AgentSession, UnlockRightAfterAReadingIsNotAnnouncedAgain) {
  AgentHarness agent;
  agent.ConfiguratorRunning(true);
  agent.Create();
  agent.Send(kWmSessionChange, kSessionLock);
  agent.messages.Clear();
  agent.mouse.ClearTransfers();
  agent.LaterBy(999);
  agent.Send(kWmSessionChange, kSessionUnlock);
  EXPECT_THAT(agent.mouse.TraceSummary(), IsEmpty());
  EXPECT_THAT(agent.messages.Posts(), IsEmpty());
  EXPECT_TRUE(agent.window->MousePresent());
  EXPECT_EQ(agent.DeviceKey(), 1);
  EXPECT_TRUE(agent.tray.shown);

  agent.Send(kWmSessionChange, kSessionLock);
  agent.LaterBy(1);
  agent.Send(kWmSessionChange, kSessionUnlock);
  EXPECT_EQ(agent.mouse.TraceSummary().size(), 2u);
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_SYNC_DONE, 0, 0}));
}

TEST(AgentSession, UnplugWhileLockedWakesTheListenerNoMore) {
  AgentHarness agent;
  agent.Create();
  agent.Send(kWmSessionChange, kSessionLock);
  // The listener settles on the input interface the last discovery left.
  std::this_thread::sleep_for(50ms);
  const uint64_t before = agent.window->Channel().ListenerPasses();
  agent.mouse.Unplug();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(agent.window->Channel().ListenerPasses(), before)
      << "a dead input interface was read again while no discovery could replace it";

  agent.mouse.Plug();
  agent.LaterBy(5000);
  agent.Send(kWmSessionChange, kSessionUnlock);
  agent.mouse.PressDpiButton(3);
  ASSERT_TRUE(agent.messages.WaitForPosts(1));
  EXPECT_EQ(agent.messages.Posts().back().Message, WM_AGENT_DPI_STAGE);
}

TEST(AgentSession, WindowsFiveIgnoresLockButNotTheConsole) {
  AgentHarness agent;
  agent.system.majorVersion = 5;
  agent.ConfiguratorRunning(true);
  agent.Create();
  agent.Send(kWmSessionChange, kSessionLock);
  EXPECT_FALSE(agent.window->SessionSuspended());
  EXPECT_TRUE(agent.tray.shown);

  agent.Send(kWmSessionChange, kSessionConsoleDisconnect);
  EXPECT_TRUE(agent.window->SessionSuspended());
  agent.mouse.Unplug();
  agent.messages.Clear();
  agent.LaterBy(5000);
  agent.Send(kWmSessionChange, kSessionConsoleConnect);
  EXPECT_FALSE(agent.window->SessionSuspended());
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, WM_CFG_DEVICE_ABSENT, 0x917, 0}));
  EXPECT_FALSE(agent.tray.shown) << "the icon stays as the suspend left it";
}

TEST(AgentMenu, ReadsItsTextsInTheLanguageTheSettingsNameNow) {
  AgentHarness agent;
  const auto lan = agent.system.programFolder / "Lan";
  IniFile(lan / "skin_En.ini", agent.editorClock).WriteString(u"TRAY_STRING", u"1", u"Open");
  IniFile(lan / "skin_En.ini", agent.editorClock).WriteString(u"TRAY_STRING", u"2", u"Hide");
  IniFile(lan / "skin_Sp.ini", agent.editorClock).WriteString(u"TRAY_STRING", u"1", u"Abrir");
  IniFile(lan / "skin_Sp.ini", agent.editorClock).WriteString(u"TRAY_STRING", u"2", u"Ocultar");
  CMyWnd& window = agent.Create();

  agent.Send(WM_AGENT_TRAY_NOTIFY, 128, kWmRightButtonDown);
  // The Configurator switches the language; the next menu shows it at once.
  agent.Settings().WriteInt(u"Setting", u"lan_id", 1);
  agent.Send(WM_AGENT_TRAY_NOTIFY, 128, kWmRightButtonDown);
  std::filesystem::remove(lan / "skin_En.ini");
  agent.Send(WM_AGENT_TRAY_NOTIFY, 128, kWmRightButtonDown);

  ASSERT_EQ(agent.menu.menus.size(), 3u);
  EXPECT_THAT(Texts(agent.menu.menus[0]), ElementsAre("Abrir", "Ocultar"));
  EXPECT_THAT(Texts(agent.menu.menus[1]), ElementsAre("Open", "Hide"));
  EXPECT_THAT(Texts(agent.menu.menus[2]), ElementsAre("", ""));
  EXPECT_THAT(Commands(agent.menu.menus[2]), ElementsAre(ID_TRAY_OPEN, ID_TRAY_HIDE));
  EXPECT_THAT(agent.menu.owners, Contains(window.GetSafeHwnd()));
  EXPECT_EQ(agent.messages.Posts().back(), (PostedMessage{window.GetSafeHwnd(), kWmNull, 0, 0}));
}

TEST(AgentMenu, DoubleClickAndOpenCommandStartTheConfiguratorOnlyWhenItIsNotRunning) {
  AgentHarness agent;
  agent.mouse.Unplug();
  agent.Create();
  agent.Send(WM_AGENT_TRAY_NOTIFY, 128, kWmLeftButtonDoubleClick);
  agent.Send(kWmCommand, ID_TRAY_OPEN);
  agent.ConfiguratorRunning(true);
  agent.Send(WM_AGENT_TRAY_NOTIFY, 128, kWmLeftButtonDoubleClick);
  agent.Send(WM_AGENT_TRAY_NOTIFY, 128, 0x200);  // a mere mouse move
  EXPECT_EQ(agent.launcher.opened.size(), 2u);
}

TEST(AgentProbe, TimerWritesWhatTheCompanionLibrarySays) {
  AgentHarness agent;
  agent.Create();
  agent.companion.result = 0;
  agent.Send(kWmTimer, PROBE_TIMER_ID);
  EXPECT_EQ(agent.DeviceKey(), 0);
  EXPECT_FALSE(agent.tray.shown);
  EXPECT_THAT(agent.companion.calls, ElementsAre("CheckPidVid.dll CheckUsbPidVid 46098 7040"));
  agent.Send(kWmTimer, 7);
  EXPECT_EQ(agent.companion.calls.size(), 1u) << "other timers are not the probe";
}

TEST(AgentDestruction, TellsTheConfiguratorAndTheDisplayThenEndsTheLoop) {
  AgentHarness agent;
  agent.ConfiguratorRunning(true);
  agent.messages.SetWindow(u"OSDMain", kOsdWindow);
  CMyWnd& window = agent.Create();
  window.SetMainWindow(true);
  agent.messages.Clear();

  window.DestroyWindow();
  EXPECT_THAT(agent.messages.Posts(),
              ElementsAre(PostedMessage{kConfiguratorWindow, kWmCommand, 0xFFFFFFFF, 0},
                          PostedMessage{kOsdWindow, kWmDestroy, 0, 0},
                          PostedMessage{kOsdWindow, kWmClose, 0, 0}));
  EXPECT_EQ(agent.windowSystem.QuitCode(), 0) << "the main window ends the loop";
  EXPECT_EQ(agent.sessions.registered, 0u);
  EXPECT_EQ(agent.mouse.NotificationWindow(), 0u) << "device notices still name the window";
  agent.window.reset();
  EXPECT_EQ(agent.mouse.RemovalWatches(), 0);
}

}  // namespace
}  // namespace lt260
