#include "platform/win32/AgentProgram.h"

#include <memory>

#include "app/CHidApp.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32CompanionLibrary.h"
#include "platform/win32/Win32DebugOutput.h"
#include "platform/win32/Win32NotificationArea.h"
#include "platform/win32/Win32PopupMenu.h"
#include "platform/win32/Win32ProgramLauncher.h"
#include "platform/win32/Win32RegistryAccess.h"
#include "platform/win32/Win32SessionNotifications.h"
#include "platform/win32/Win32SingleInstance.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32SystemParameters.h"
#include "platform/win32/Win32WindowMessages.h"
#include "platform/win32/Win32WindowSystem.h"

namespace lt260 {

int RunAgent(HidBackend& mouse, DeviceNotices& notices) {
  Win32WindowSystem windows;
  Win32WindowMessages messages;
  Win32Clock clock;
  Win32DebugOutput debug;
  Win32NotificationArea tray;
  Win32PopupMenu menu;
  Win32ProgramLauncher launcher;
  Win32SystemInfo system;
  Win32CompanionLibrary companion;
  Win32SessionNotifications sessions;
  Win32SystemParameters parameters;
  Win32RegistryAccess registry;
  Win32SingleInstance instance;
  const AgentPorts ports{windows, messages, mouse,  notices,   clock,    debug,      tray,
                         menu,    launcher, system, companion, sessions, parameters, registry};
  CHidApp app(windows, instance, [&ports] { return std::make_unique<CMyWnd>(ports); });
  return app.Run();
}

}  // namespace lt260
