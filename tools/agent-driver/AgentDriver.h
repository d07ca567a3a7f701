#pragma once

// Drives the Agent as a whole program, from outside, the way the Configurator
// and Windows meet it: an installation folder of its own, the process started
// with chosen environment variables, windows found by title and messages
// posted to them, stand-in windows for the Configurator and the on-screen
// display that write down what reaches them, and the Agent's traces in the
// world: the settings file, the registry, the simulated mouse's transfer log.
//
// Windows only. Every operation that can fail says what went wrong in an
// `error` text (or by an empty result, where "nothing there" is an answer).
#include <windows.h>
// The device and session notices the drivers post as Windows would.
#include <dbt.h>
#include <wtsapi32.h>

#include "ChildProcess.h"
#include "DebugOutputListener.h"
#include "ExclusiveFile.h"
#include "Installation.h"
#include "MouseRegistry.h"
#include "SettingsFiles.h"
#include "SimulatedMouseRemote.h"
#include "StandInWindow.h"
#include "TextLines.h"
#include "TopLevelWindows.h"
#include "Waiting.h"
