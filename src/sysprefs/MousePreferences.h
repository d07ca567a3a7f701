#pragma once

#include <cstdint>

#include "ports/DebugOutput.h"
#include "settings/ProfileSetting.h"
#include "sysprefs/RegistryAccess.h"
#include "sysprefs/RegistryKeyWriter.h"
#include "sysprefs/SystemParameters.h"

namespace lt260 {

// What applying the preferences reaches, all owned by the agent window. The
// writer keeps "Control Panel\Mouse" open from one application to the next.
struct MousePreferencePorts {
  SystemParameters& System;
  RegistryAccess& Registry;
  RegistryKeyWriter& Writer;
  DebugOutput& Debug;
};

// Applies the profile's double-click time, pointer acceleration and speed, and
// wheel lines, in that order, tracing each step. Every failure is ignored and
// the remaining steps still run.
void ApplyMousePreferences(const ProfileSetting& profile, const MousePreferencePorts& ports);

// Sets the double-click time and records it as the user's "DoubleClickSpeed",
// provided the user's "Control Panel\Mouse" key already exists.
void RefreshDoubleClickSpeed(const ProfileSetting& profile, SystemParameters& system,
                             RegistryAccess& registry);

// Sets pointer acceleration and speed. The acceleration is also written to the
// user's "Control Panel\Mouse" key through `writer`, which stays open on it.
void RefreshMouseMoveSpeed(const ProfileSetting& profile, SystemParameters& system,
                           RegistryKeyWriter& writer);

// Sets the wheel lines per notch, or page scrolling. Returns non-zero when the
// system took the value, otherwise its error code.
uint32_t RefreshScrollLine(const ProfileSetting& profile, SystemParameters& system);

}  // namespace lt260
