#pragma once

#include <array>
#include <cstdint>

#include "settings/ButtonAssignment.h"
#include "settings/TextField.h"

namespace lt260 {

inline constexpr int kDpiStageCount = 7;
inline constexpr int kLightModeCount = 7;

// One profile slot. Field names are the names of their keys in the settings
// file. Colours are 0x00BBGGRR.
struct ProfileSetting {
  int32_t GroupID;
  TextField<kProfileNameCapacity> Profil_Name;
  int32_t DPI_Cur;
  std::array<int32_t, kDpiStageCount> DPI_Color;
  std::array<int32_t, kDpiStageCount> DPI_Value;
  int32_t POLLRATE_VALUE;
  int32_t Enable_light;
  int32_t Cycle_enable;
  int32_t light_type;
  std::array<int32_t, kLightModeCount> light_Color;
  std::array<int32_t, kLightModeCount> light_Cycle;
  int32_t light_bright_colorID;
  int32_t light_bright;
  int32_t light_speed;
  int32_t DBClick_Speed;
  int32_t Scroll_Speed;
  int32_t Mouse_Speed;
  int32_t scroll_page;
  int32_t mouse_enhance;
  TextField<kPathCapacity> SYNCFilesPath;
  std::array<TextField<kPathCapacity>, kButtonCount> ExePath;
  std::array<TextField<kPathCapacity>, kButtonCount> ExeName;
  std::array<ButtonAssignment, kButtonCount> ButtonAssigned;
};

// Values taken when a key is missing from the file.
inline constexpr std::array<int32_t, kDpiStageCount> kDefaultDpiColors = {
    0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
inline constexpr std::array<int32_t, kDpiStageCount> kDefaultDpiValues = {2, 4, 5, 6, 7, 8, 9};
inline constexpr int32_t kDefaultLightColor = 0x0000FF;
inline constexpr std::array<int32_t, kLightModeCount> kDefaultLightCycle = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFF00, 0xFF00FF, 0xFFFFFF};

// A profile with every default and the seven reset button records.
ProfileSetting DefaultProfileSetting();

}  // namespace lt260
