#include "sysprefs/MousePreferences.h"

#include <string>

namespace lt260 {
namespace {

constexpr std::u16string_view kUserMouseKey = u"Control Panel\\Mouse";
constexpr std::u16string_view kUserMousePath = u"HKEY_CURRENT_USER\\Control Panel\\Mouse";

// Double-click levels run from 1 (920 ms) to 10 (200 ms).
constexpr int32_t kSlowestDoubleClickMs = 1000;
constexpr int32_t kDoubleClickStepMs = 80;

// Windows' "enhance pointer precision": the pointer moves twice as far past the
// first threshold; with all three at zero it moves in proportion to the mouse.
struct Acceleration {
  int32_t Threshold1;
  int32_t Threshold2;
  int32_t Level;
};
constexpr Acceleration kEnhancedPrecision{6, 10, 1};
constexpr Acceleration kNoAcceleration{0, 0, 0};

// Profile speeds 1 to 10 cover every other step of the system's 1 to 20.
constexpr int32_t kPointerSpeedScale = 2;

std::u16string DecimalText(int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

void RefreshDoubleClickSpeed(const ProfileSetting& profile, SystemParameters& system,
                             RegistryAccess& registry) {
  const int32_t milliseconds = kSlowestDoubleClickMs - kDoubleClickStepMs * profile.DBClick_Speed;
  system.SetDoubleClickTime(static_cast<uint32_t>(milliseconds));

  const RegistryKey key =
      registry.OpenKey(RegistryRoot::CurrentUser, kUserMouseKey, kRegistryReadWrite);
  if (key == 0) return;
  registry.SetStringValue(key, u"DoubleClickSpeed", DecimalText(milliseconds));
  registry.CloseKey(key);
}

void RefreshMouseMoveSpeed(const ProfileSetting& profile, SystemParameters& system,
                           RegistryKeyWriter& writer) {
  writer.Open(kUserMousePath, kRegistryAllAccess);

  // Windows would keep these values only in memory, so the Agent records them
  // itself, under the names Windows reads at logon.
  const Acceleration acceleration =
      profile.mouse_enhance != 0 ? kEnhancedPrecision : kNoAcceleration;
  writer.SetString(u"MouseSpeed", DecimalText(acceleration.Level));
  writer.SetString(u"MouseThreshold1", DecimalText(acceleration.Threshold1));
  writer.SetString(u"MouseThreshold2", DecimalText(acceleration.Threshold2));
  system.SetMouse(acceleration.Threshold1, acceleration.Threshold2, acceleration.Level);

  system.SetMouseSpeed(static_cast<uint32_t>(kPointerSpeedScale * profile.Mouse_Speed));
}

uint32_t RefreshScrollLine(const ProfileSetting& profile, SystemParameters& system) {
  const uint32_t lines =
      profile.scroll_page != 0 ? kWheelPageScroll : static_cast<uint32_t>(profile.Scroll_Speed);
  return system.SetWheelScrollLines(lines) ? 1 : system.LastError();
}

void ApplyMousePreferences(const ProfileSetting& profile, const MousePreferencePorts& ports) {
  RefreshDoubleClickSpeed(profile, ports.System, ports.Registry);
  ports.Debug.Write("RefreshDoubleClickSpeed\n");
  RefreshMouseMoveSpeed(profile, ports.System, ports.Writer);
  ports.Debug.Write("RefreshMouseMoveSpeed\n");
  RefreshScrollLine(profile, ports.System);
  ports.Debug.Write("RefreshScrollLine\n");
}

}  // namespace lt260
