#pragma once

#include "settings/SettingsFile.h"

namespace lt260::bench {

// A settings record a long-time user might have: six profiles in a shuffled
// map, every value away from its default, names and paths filled in and every
// button holding a macro, so that a load reads a full-sized file and finds
// every key.
SettingsFile SampleSettings();

}  // namespace lt260::bench
