#pragma once

#include <array>
#include <cstdint>

#include "settings/TextField.h"

namespace lt260 {

inline constexpr int kMaxProfileCount = 6;

// The header of the settings file (section "Setting").
struct GlobalSetting {
  int32_t lan_id;
  int32_t Show_TrayIcon;
  int32_t Show_OSD;
  int32_t Totle;
  int32_t Current;
  int32_t Active;
  TextField<kPathCapacity> BGFilesPath;
  // For slot i, the N of the file section "Profile<N>Setting" that holds it.
  std::array<int32_t, kMaxProfileCount> ProfileMap;
};

// A header with every default: six profiles, each in its own section.
GlobalSetting DefaultGlobalSetting();

// The profile count the file's header gives, as every reader bounds it: a
// count outside 1 to 6 is taken as 1.
constexpr int32_t UsableProfileCount(int32_t totle) {
  return totle >= 1 && totle <= kMaxProfileCount ? totle : 1;
}

// The slot `Active` names, as an index into the six slots: a value outside
// them (only in a record that skipped validation) is taken as slot 0, as
// validation would set it.
constexpr int ActiveSlot(const GlobalSetting& global) {
  return global.Active >= 0 && global.Active < kMaxProfileCount ? global.Active : 0;
}

}  // namespace lt260
