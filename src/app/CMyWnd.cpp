#include "app/CMyWnd.h"

#include <array>
#include <string>
#include <utility>

#include "app/MousePresence.h"
#include "app/framework/WindowsMessageIds.h"
#include "device/DeviceSync.h"
#include "device/ProfileSending.h"
#include "ports/MessageNumbers.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"
#include "sysprefs/MousePreferences.h"

namespace lt260 {
namespace {

constexpr uint32_t kTrayIconId = 128;
constexpr int kTrayIconResource = 137;
constexpr char16_t kTrayTip[] = u"Quendra LT-260";
constexpr uint64_t kDestroyingCommand = 0xFFFFFFFF;
// Menu texts are read into buffers of this many characters.
constexpr std::size_t kMenuTextCapacity = 4096;

enum class SessionReaction { None, Suspend, Resume };

// Lock and unlock mean something from Windows 6 on; console changes always.
SessionReaction ReactionTo(uint64_t sessionEvent, uint32_t windowsMajorVersion) {
  switch (sessionEvent) {
    case kSessionConsoleConnect:
      return SessionReaction::Resume;
    case kSessionConsoleDisconnect:
      return SessionReaction::Suspend;
    case kSessionLock:
      return windowsMajorVersion >= 6 ? SessionReaction::Suspend : SessionReaction::None;
    case kSessionUnlock:
      return windowsMajorVersion >= 6 ? SessionReaction::Resume : SessionReaction::None;
    default:
      return SessionReaction::None;
  }
}

std::filesystem::path LanguageFile(const std::filesystem::path& programFolder, int32_t lanId) {
  return programFolder / "Lan" / (lanId == 1 ? "skin_En.ini" : "skin_Sp.ini");
}

}  // namespace

CMyWnd::CMyWnd(const AgentPorts& ports)
    : CWnd(ports.Windows),
      ports_(ports),
      channel_(ports.Hid, ports.Debug),
      registryWriter_(ports.Registry) {}

std::span<const MessageMapEntry> CMyWnd::GetMessageMap() const {
  static constexpr std::array kMessageMap = {
      OnMessage<CMyWnd, &CMyWnd::OnCreate>(kWmCreate),
      OnMessage<CMyWnd, &CMyWnd::OnDestroy>(kWmDestroy),
      OnMessage<CMyWnd, &CMyWnd::OnTimer>(kWmTimer),
      OnMessage<CMyWnd, &CMyWnd::OnDeviceChange>(kWmDeviceChange),
      OnMessage<CMyWnd, &CMyWnd::OnSessionChange>(kWmSessionChange),
      OnMessage<CMyWnd, &CMyWnd::OnReload>(WM_AGENT_RELOAD),
      OnMessage<CMyWnd, &CMyWnd::OnDeviceCommand>(WM_AGENT_DEVICE_COMMAND),
      OnMessage<CMyWnd, &CMyWnd::OnDpiStage>(WM_AGENT_DPI_STAGE),
      OnMessage<CMyWnd, &CMyWnd::OnTrayNotify>(WM_AGENT_TRAY_NOTIFY),
      OnMessage<CMyWnd, &CMyWnd::OnTrayHide>(kWmCommand, ID_TRAY_HIDE),
      OnMessage<CMyWnd, &CMyWnd::OnTrayOpen>(kWmCommand, ID_TRAY_OPEN),
  };
  return kMessageMap;
}

intptr_t CMyWnd::WindowProc(uint32_t message, uint64_t wParam, int64_t lParam) {
  if (TaskbarCreatedMessage_ != 0 && message == TaskbarCreatedMessage_) {
    return OnTaskbarCreated(wParam, lParam);
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

bool CMyWnd::CreateAgentWindow() {
  return CreateEx(0, kAgentWindowTitle, kPopupWindowStyle, 100, 100, 100, 100);
}

// The creation sequence. The alternate ids come before the listener because
// its start runs the first discovery; the settings come before the first
// synchronisation, which works on them and writes them back; the icon record
// comes before anything can show the icon.
intptr_t CMyWnd::OnCreate(uint64_t wParam, int64_t lParam) {
  if (Default(kWmCreate, wParam, lParam) == -1) return -1;
  SetTitle(kAgentWindowTitle);

  if (const auto folder = ports_.System.AppDataFolder()) {
    BulletSettingPath_ = *folder / "Quendra" / "LT-260" / "BulletSetting";
    SettingsPath_ = *folder / "Quendra" / "LT-260" / "GamingMouse";
  }
  channel_.SetAlternateIds(kSecondVendorId, kSecondProductId);
  // The listener's thread posts each DPI stage to this window, whose
  // handler runs on the window's own thread.
  removalWatcher_ = std::make_unique<WindowRemovalWatcher>(ports_.Notices, GetSafeHwnd());
  channel_.StartListener(
      [&messages = ports_.Messages, window = GetSafeHwnd()](int stage) {
        messages.Post(window, WM_AGENT_DPI_STAGE, static_cast<uint64_t>(stage), 0);
      },
      removalWatcher_.get());
  DeviceNotification_ = ports_.Notices.WatchInterfaces(GetSafeHwnd());
  // Lock and unlock reach the window only when it asks for them.
  SessionNotificationsRegistered_ = ports_.Sessions.Register(GetSafeHwnd());
  LoadSettings();
  SetExtendedStyle(kToolWindowExStyle);
  TrayIconData_ =
      TrayIconRecord{GetSafeHwnd(), kTrayIconId, WM_AGENT_TRAY_NOTIFY, kTrayIconResource, kTrayTip};
  TaskbarCreatedMessage_ = ports_.Tray.RestartMessage();

  if (SyncFromDevice()) {
    LaunchConfigurator();
    RecordDevicePresent();
  } else {
    SaveDevicePresence(0);
  }
  ApplyMousePreferences();
  ports_.Debug.Write("OnCreate over");
  return 0;
}

intptr_t CMyWnd::OnDestroy(uint64_t wParam, int64_t lParam) {
  PostToWindowTitled(kConfiguratorWindowTitle, kWmCommand, kDestroyingCommand, 0);
  if (const WindowId osd = ports_.Messages.FindWindowByTitle(kOsdWindowTitle)) {
    ports_.Messages.Post(osd, kWmDestroy, 0, 0);
    ports_.Messages.Post(osd, kWmClose, 0, 0);
  }
  if (SessionNotificationsRegistered_) ports_.Sessions.Unregister(GetSafeHwnd());
  SessionNotificationsRegistered_ = false;
  // The registration names this window; it must not outlive it.
  if (DeviceNotification_ != 0) ports_.Notices.EndWatch(DeviceNotification_);
  DeviceNotification_ = 0;
  KillTimer(DEVICE_SETTLE_TIMER_ID);
  return Default(kWmDestroy, wParam, lParam);
}

intptr_t CMyWnd::OnTimer(uint64_t timerId, int64_t lParam) {
  if (timerId == PROBE_TIMER_ID) {
    const int32_t present = ProbeCompanionLibrary();
    SaveDevicePresence(present);
    if (present == 0) HideTrayIcon();
  } else if (timerId == DEVICE_SETTLE_TIMER_ID) {
    // One look per burst: the timer is started again by every notice and
    // stopped when it fires. A kWmTimer already queued when it was stopped
    // finds nothing changed.
    KillTimer(DEVICE_SETTLE_TIMER_ID);
    const bool changed = std::exchange(DeviceSetChanged_, false);
    if (changed && !SessionSuspended_) OnDeviceSetSettled();
  }
  return Default(kWmTimer, timerId, lParam);
}

// A request to remove one of the mouse's interfaces closes what the Agent
// holds of it and grants the request (TRUE); a failed removal opens them
// again, locked session or not. Every other notice (an interface of any
// device arriving or leaving, the device tree changing) only marks the device
// set changed and starts the settle timer again; the look at the mouse comes
// once the notices stop.
intptr_t CMyWnd::OnDeviceChange(uint64_t event, int64_t notice) {
  if (event == kDeviceQueryRemove) {
    channel_.ReleaseForRemoval(notice);
    return 1;
  }
  if (event == kDeviceQueryRemoveFailed) {
    channel_.ReopenAfterFailedRemoval(notice);
    return 1;
  }
  if (SessionSuspended_) return 1;
  DeviceSetChanged_ = true;
  if (!SetTimer(DEVICE_SETTLE_TIMER_ID, kDeviceSettleMilliseconds)) {
    // Without a timer the burst cannot be waited out: look now.
    DeviceSetChanged_ = false;
    OnDeviceSetSettled();
  }
  return 1;
}

void CMyWnd::OnDeviceSetSettled() {
  const MousePresence presence = PresenceOf(channel_.PresentMouseInterfaces());
  // A mouse pulled out and plugged in again within one burst looks as
  // present as before, but the listener has found its input interface gone.
  const bool wasPresent = MousePresent_ && !channel_.HeldDevicesLost();
  if (presence == MousePresence::Complete && !wasPresent) {
    // A new arrival is read whatever the time since the last reading: the
    // debounce stands for bursts of notices, which the settle timer absorbs.
    LastSyncTick_.reset();
    if (SyncFromDevice()) {
      RecordDevicePresent();
    } else {
      TellConfiguratorDeviceAbsent();
      HideTrayIcon();
    }
  } else if (presence == MousePresence::Absent && MousePresent_) {
    MousePresent_ = false;
    TellConfiguratorDeviceAbsent();
    HideTrayIcon();
  }
}

intptr_t CMyWnd::OnSessionChange(uint64_t sessionEvent, int64_t) {
  switch (ReactionTo(sessionEvent, ports_.System.WindowsMajorVersion())) {
    case SessionReaction::Suspend:
      HideTrayIcon();
      SessionSuspended_ = true;
      SaveDevicePresence(0);
      break;
    case SessionReaction::Resume:
      SessionSuspended_ = false;
      if (SyncFromDevice()) {
        RecordDevicePresent();
      } else {
        TellConfiguratorDeviceAbsent();
      }
      break;
    case SessionReaction::None:
      break;
  }
  return 0;
}

intptr_t CMyWnd::OnReload(uint64_t, int64_t) {
  LoadSettings();
  ApplyMousePreferences();
  const bool sent = SendProfileReports(channel_, ActiveProfile_, ports_.SystemClock);
  const bool wanted = AppliedSettings_.Global.Show_TrayIcon != 0;
  if (!wanted) {
    HideTrayIcon();
  } else if (sent) {
    ShowTrayIcon();
  }
  return 0;
}

intptr_t CMyWnd::OnDeviceCommand(uint64_t, int64_t) {
  SendCommandReport(channel_);
  return 0;
}

// The mouse's stage goes to the file under the section numbered by Active
// itself, as the Configurator expects it, and to the Configurator numbered
// from 0.
intptr_t CMyWnd::OnDpiStage(uint64_t stage, int64_t) {
  const auto dpiStage = static_cast<int32_t>(stage);
  const int32_t active = AppliedSettings_.Global.Active;
  ActiveProfile_.DPI_Cur = dpiStage;
  if (!SaveDpiStage(SettingsPath_, active, dpiStage, ports_.SystemClock)) {
    SayAboutSettings("DPI_Cur not written");
  }
  PostToWindowTitled(kConfiguratorWindowTitle, WM_CFG_DPI_STAGE, static_cast<uint64_t>(active),
                     dpiStage - 1);
  return 1;
}

intptr_t CMyWnd::OnTrayNotify(uint64_t, int64_t mouseMessage) {
  if (mouseMessage == kWmLeftButtonDoubleClick) {
    LaunchConfigurator();
  } else if (mouseMessage == kWmRightButtonDown) {
    // The menu reloads the settings so that a language chosen in the
    // Configurator shows at once; nothing is applied to the mouse or Windows.
    const std::filesystem::path programFolder = ports_.System.ProgramFolder();
    LoadSettings();
    const IniFile::Snapshot texts =
        IniFile::Load(LanguageFile(programFolder, LoadedSettings_.Global.lan_id));
    std::vector<MenuItem> items;
    for (auto [key, command] : {std::pair{u"1", ID_TRAY_OPEN}, std::pair{u"2", ID_TRAY_HIDE}}) {
      std::u16string text = texts.document.ReadString(u"TRAY_STRING", key, u"");
      if (text.size() >= kMenuTextCapacity) text.resize(kMenuTextCapacity - 1);
      items.push_back(MenuItem{std::move(text), command});
    }
    ports_.Menu.Track(GetSafeHwnd(), items);
    ports_.Messages.Post(GetSafeHwnd(), kWmNull, 0, 0);
  }
  return 0;
}

intptr_t CMyWnd::OnTrayOpen(uint64_t, int64_t) {
  LaunchConfigurator();
  return 0;
}

intptr_t CMyWnd::OnTrayHide(uint64_t, int64_t) {
  HideTrayIcon();
  return 0;
}

// A restarted Explorer has lost every icon. The flag still says whether ours
// is meant to be there; this also brings back an icon the shell refused
// because the Agent started before the task bar, as at login.
intptr_t CMyWnd::OnTaskbarCreated(uint64_t, int64_t) {
  if (TrayIconShown_) {
    ports_.Tray.Add(TrayIconData_);
    ports_.Debug.Write("TaskbarCreated: icon added again");
  }
  return 0;
}

void CMyWnd::LaunchConfigurator() {
  if (ports_.Messages.FindWindowByTitle(kConfiguratorWindowTitle) != 0) return;
  ports_.Launcher.Open(ports_.System.ProgramFolder() / "Gaming.exe");
}

void CMyWnd::ShowTrayIcon() {
  if (TrayIconShown_) return;
  ports_.Tray.Add(TrayIconData_);
  TrayIconShown_ = true;
}

void CMyWnd::HideTrayIcon() {
  if (!TrayIconShown_) return;
  ports_.Tray.Delete(TrayIconData_);
  TrayIconShown_ = false;
}

int32_t CMyWnd::ProbeCompanionLibrary() {
  return ports_.Companion.Call(ports_.System.ProgramFolder() / "CheckPidVid.dll", "CheckUsbPidVid",
                               kSecondProductId, kSecondVendorId);
}

// The Agent shows nothing to the user: what became of the settings file is
// said on the debug output, for whoever looks into a problem.
void CMyWnd::LoadSettings() {
  const SettingsLoadOutcome outcome = lt260::LoadSettings(
      SettingsPath_, LoadedSettings_, AppliedSettings_, ActiveProfile_, ports_.SystemClock);
  const char* what = nullptr;
  switch (outcome) {
    case SettingsLoadOutcome::Loaded:
      what = "loaded";
      break;
    case SettingsLoadOutcome::HeldNothing:
      what = "holds no settings; using the defaults";
      break;
    case SettingsLoadOutcome::Created:
      what = "was missing; wrote the defaults";
      break;
    case SettingsLoadOutcome::NotCreated:
      what = "is missing and cannot be written; using the defaults";
      break;
    case SettingsLoadOutcome::Unreadable:
      what = "cannot be read; using the defaults and leaving it alone";
      break;
  }
  SayAboutSettings(what);
}

void CMyWnd::SaveDevicePresence(int32_t present) {
  if (!lt260::SaveDevicePresence(SettingsPath_, present, ports_.SystemClock)) {
    SayAboutSettings("Device not written");
  }
}

void CMyWnd::SayAboutSettings(std::string_view what) {
  const std::u8string path = SettingsPath_.u8string();
  std::string line = "settings ";
  line.append(path.begin(), path.end());
  line += ": ";
  line += what;
  line += "\n";
  ports_.Debug.Write(line);
}

// A read-back that saved the mouse's state is announced to the Configurator;
// one skipped because the last was less than a second ago is not.
bool CMyWnd::SyncFromDevice() {
  DeviceSyncTarget target{channel_,      ports_.SystemClock, LoadedSettings_, ActiveProfile_,
                          SettingsPath_, BulletSettingPath_, LastSyncTick_};
  const SyncOutcome outcome = lt260::SyncFromDevice(target);
  if (outcome == SyncOutcome::Read) {
    PostToWindowTitled(kConfiguratorWindowTitle, WM_CFG_SYNC_DONE, 0, 0);
  }
  MousePresent_ = outcome != SyncOutcome::NotRead;
  return MousePresent_;
}

void CMyWnd::ApplyMousePreferences() {
  lt260::ApplyMousePreferences(
      ActiveProfile_,
      MousePreferencePorts{ports_.Parameters, ports_.Registry, registryWriter_, ports_.Debug});
}

void CMyWnd::RecordDevicePresent() {
  SaveDevicePresence(1);
  if (AppliedSettings_.Global.Show_TrayIcon != 0) ShowTrayIcon();
}

void CMyWnd::TellConfiguratorDeviceAbsent() {
  PostToWindowTitled(kConfiguratorWindowTitle, WM_CFG_DEVICE_ABSENT, kDeviceAbsentWParam, 0);
}

void CMyWnd::PostToWindowTitled(std::u16string_view title, uint32_t message, uint64_t wParam,
                                int64_t lParam) {
  if (const WindowId window = ports_.Messages.FindWindowByTitle(title)) {
    ports_.Messages.Post(window, message, wParam, lParam);
  }
}

}  // namespace lt260
