#pragma once

#include "app/framework/WindowSystem.h"
#include "hid/HidBackend.h"
#include "ports/Clock.h"
#include "ports/CompanionLibrary.h"
#include "ports/DebugOutput.h"
#include "ports/DeviceNotices.h"
#include "ports/NotificationArea.h"
#include "ports/PopupMenu.h"
#include "ports/ProgramLauncher.h"
#include "ports/SessionNotifications.h"
#include "ports/SystemInfo.h"
#include "ports/WindowMessages.h"
#include "sysprefs/RegistryAccess.h"
#include "sysprefs/SystemParameters.h"

namespace lt260 {

// Everything outside the program the agent window reaches, one port each. The
// product passes the Windows implementations, the simulator build the
// simulated mouse as its HID backend, and the tests fakes.
struct AgentPorts {
  WindowSystem& Windows;
  WindowMessages& Messages;
  HidBackend& Hid;
  DeviceNotices& Notices;
  Clock& SystemClock;
  DebugOutput& Debug;
  NotificationArea& Tray;
  PopupMenu& Menu;
  ProgramLauncher& Launcher;
  SystemInfo& System;
  CompanionLibrary& Companion;
  SessionNotifications& Sessions;
  SystemParameters& Parameters;
  RegistryAccess& Registry;
};

}  // namespace lt260
