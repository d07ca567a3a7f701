#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "app/AgentPorts.h"
#include "app/WindowRemovalWatcher.h"
#include "app/framework/CWnd.h"
#include "hid/HidChannel.h"
#include "ports/NotificationArea.h"
#include "settings/ProfileSetting.h"
#include "settings/SettingsFile.h"
#include "sysprefs/RegistryKeyWriter.h"

namespace lt260 {

// The timer the presence probe answers to. Nothing starts it: the mouse's
// presence is followed through device notices instead.
inline constexpr uint64_t PROBE_TIMER_ID = 100002;
// The timer that lets a burst of device notices settle before the Agent looks
// at what changed.
inline constexpr uint64_t DEVICE_SETTLE_TIMER_ID = 100003;
// How long the device set must stay quiet: Windows announces the mouse's
// interfaces one by one, and other devices' comings and goings in between.
inline constexpr uint32_t kDeviceSettleMilliseconds = 500;

// The hidden agent window. It owns all of the Agent's state for the whole
// run, and every event reaches it as a message, handled one at a time on the
// main thread: the Configurator's requests, the DPI button through the input
// listener, the icon, and Windows' device and session notices.
class CMyWnd : public CWnd {
 public:
  explicit CMyWnd(const AgentPorts& ports);
  // Closes the registry key, then the mouse (stopping the listener), then
  // lets go of the paths: the members' reverse order.
  ~CMyWnd() override = default;

  // Registers the window class and creates the hidden window; the creation
  // sequence runs inside.
  virtual bool CreateAgentWindow();

  // Starts the Configurator from the Agent's folder unless its window exists.
  void LaunchConfigurator();
  void ShowTrayIcon();
  void HideTrayIcon();
  // Asks the companion library whether the mouse is attached; 0 when the
  // library or its export is missing.
  int32_t ProbeCompanionLibrary();

  // Message handlers, one per row of the message table.
  intptr_t OnCreate(uint64_t wParam, int64_t lParam);
  intptr_t OnDestroy(uint64_t wParam, int64_t lParam);
  intptr_t OnTimer(uint64_t timerId, int64_t lParam);
  intptr_t OnDeviceChange(uint64_t event, int64_t notice);
  intptr_t OnSessionChange(uint64_t sessionEvent, int64_t lParam);
  intptr_t OnReload(uint64_t wParam, int64_t lParam);
  intptr_t OnDeviceCommand(uint64_t wParam, int64_t lParam);
  intptr_t OnDpiStage(uint64_t stage, int64_t lParam);
  intptr_t OnTrayNotify(uint64_t iconId, int64_t mouseMessage);
  intptr_t OnTrayOpen(uint64_t wParam, int64_t lParam);
  intptr_t OnTrayHide(uint64_t wParam, int64_t lParam);
  // The shell's notification area has started again and holds no icons.
  intptr_t OnTaskbarCreated(uint64_t wParam, int64_t lParam);

  // The message table, and the shell's restart message, whose number the
  // system gives out at run time.
  intptr_t WindowProc(uint32_t message, uint64_t wParam, int64_t lParam) override;

  // The state, for the tests and tools that look at it.
  const std::filesystem::path& SettingsPath() const { return SettingsPath_; }
  const std::filesystem::path& BulletSettingPath() const { return BulletSettingPath_; }
  const SettingsFile& LoadedSettings() const { return LoadedSettings_; }
  const SettingsFile& AppliedSettings() const { return AppliedSettings_; }
  const ProfileSetting& ActiveProfile() const { return ActiveProfile_; }
  const HidChannel& Channel() const { return channel_; }
  const TrayIconRecord& TrayIconData() const { return TrayIconData_; }
  bool TrayIconShown() const { return TrayIconShown_; }
  bool SessionSuspended() const { return SessionSuspended_; }
  // Whether the last synchronisation found the mouse and it has not been seen
  // gone since.
  bool MousePresent() const { return MousePresent_; }

 protected:
  std::span<const MessageMapEntry> GetMessageMap() const override;

 private:
  void LoadSettings();
  // Writes "Device", saying so on the debug output when it cannot.
  void SaveDevicePresence(int32_t present);
  void SayAboutSettings(std::string_view what);
  // Reads the mouse back; true when it was read or was read less than a
  // second ago.
  bool SyncFromDevice();
  // After the device notices have settled: reads the mouse back if it has
  // just arrived whole, tells the Configurator if it has just gone.
  void OnDeviceSetSettled();
  void ApplyMousePreferences();
  // After a synchronisation found the mouse, or failed to.
  void RecordDevicePresent();
  void TellConfiguratorDeviceAbsent();
  void PostToWindowTitled(std::u16string_view title, uint32_t message, uint64_t wParam,
                          int64_t lParam);

  AgentPorts ports_;
  // The members the Agent's state is made of, in the order their lifetimes nest.
  std::filesystem::path BulletSettingPath_;
  std::filesystem::path SettingsPath_;
  SettingsFile LoadedSettings_{};
  SettingsFile AppliedSettings_{};
  uintptr_t DeviceNotification_ = 0;
  // Watches the interfaces the channel holds for removal requests to this
  // window; made with the window, ended after the channel.
  std::unique_ptr<WindowRemovalWatcher> removalWatcher_;
  HidChannel channel_;
  std::optional<uint32_t> LastSyncTick_;
  RegistryKeyWriter registryWriter_;
  ProfileSetting ActiveProfile_{};
  TrayIconRecord TrayIconData_;
  bool SessionSuspended_ = false;
  // Whether the icon has been added. The shell may have refused it; the flag
  // still says added, so a later show does nothing until a hide resets it.
  bool TrayIconShown_ = false;
  bool SessionNotificationsRegistered_ = false;
  bool MousePresent_ = false;
  // A device notice came and the settle timer has not yet looked at it.
  bool DeviceSetChanged_ = false;
  uint32_t TaskbarCreatedMessage_ = 0;
};

}  // namespace lt260
