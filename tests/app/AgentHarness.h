#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/CMyWnd.h"
#include "protocol/DeviceIdentity.h"
#include "settings/IniFile.h"
#include "sim/SimulatedMouse.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FakeWindowSystem.h"
#include "support/RecordingPorts.h"
#include "support/TempDir.h"
#include "sysprefs/RecordingSystemPorts.h"

namespace lt260::test {

inline constexpr WindowId kConfiguratorWindow = 0x5001;
inline constexpr WindowId kOsdWindow = 0x5002;

// The agent window with every port faked, the simulated mouse attached (with
// the second vendor and product, so it is found only once the window has set
// them), an application-data folder and a program folder in a temporary folder.
struct AgentHarness {
  AgentHarness() : mouse(MouseConfig()) {
    system.appData = dir.Path() / "AppData";
    system.programFolder = dir.Path() / "Program";
    std::filesystem::create_directories(*system.appData / "Quendra" / "LT-260");
    std::filesystem::create_directories(system.programFolder / "Lan");
    registry.AddKey(RegistryRoot::CurrentUser, u"Control Panel\\Mouse");
  }
  ~AgentHarness() { window.reset(); }

  static SimulatedMouseConfig MouseConfig() {
    SimulatedMouseConfig config;
    config.Interfaces = LT260Interfaces(kSecondVendorId, kSecondProductId);
    return config;
  }

  AgentPorts Ports() {
    DeviceNotices& notices = deviceNotices ? *deviceNotices : mouse;
    return AgentPorts{windowSystem, messages, mouse,  notices,   clock,    debug,      tray,
                      menu,         launcher, system, companion, sessions, parameters, registry};
  }

  CMyWnd& Create() {
    window = std::make_unique<CMyWnd>(Ports());
    window->CreateAgentWindow();
    return *window;
  }

  intptr_t Send(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0) {
    return window->WindowProc(message, wParam, lParam);
  }

  std::filesystem::path SettingsPath() const {
    return *system.appData / "Quendra" / "LT-260" / "GamingMouse";
  }
  // The file as the test edits it, as another program would.
  IniFile Settings() { return IniFile(SettingsPath(), editorClock); }
  int32_t DeviceKey() const {
    return IniFile::Load(SettingsPath()).document.ReadInt(u"Setting", u"Device", -1);
  }

  void ConfiguratorRunning(bool running) {
    messages.SetWindow(u"Quendra LT-260", running ? kConfiguratorWindow : 0);
  }
  // Lets the debounce of the last synchronisation run out.
  void LaterBy(uint32_t milliseconds) { clock.Advance(milliseconds); }

  // A device notice as Windows sends it, by default the device tree's change.
  intptr_t Notice(uint64_t event = kDeviceNodesChanged) { return Send(kWmDeviceChange, event); }
  // The notices have stopped long enough: the settle timer fires, if running.
  bool Settle() { return windowSystem.FireTimer(window->GetSafeHwnd(), DEVICE_SETTLE_TIMER_ID); }

  TempDir dir;
  FakeWindowSystem windowSystem;
  RecordingWindowMessages messages;
  SimulatedMouse mouse;
  // The window registers for device notices through this port when a test
  // sets it.
  DeviceNotices* deviceNotices = nullptr;
  FakeClock clock;
  FakeClock editorClock;
  RecordingDebugOutput debug;
  FakeNotificationArea tray;
  FakePopupMenu menu;
  FakeProgramLauncher launcher;
  FakeSystemInfo system;
  FakeCompanionLibrary companion;
  FakeSessionNotifications sessions;
  Trace trace;
  RecordingSystemParameters parameters{trace};
  FakeRegistry registry{trace};
  std::unique_ptr<CMyWnd> window;
};

}  // namespace lt260::test
