// Loads a settings file the way the Agent does (creating it with the defaults
// when it is missing) and prints what the Agent would hold in memory.
//
//   lt260-settings-dump PATH
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/SteadyClock.h"
#include "settings/SettingsStore.h"
#include "text/Utf8.h"

namespace {

void PrintButton(int index, const lt260::ButtonAssignment& button) {
  int events = 0;
  while (events < lt260::kMacroEventCapacity && button.MacroEvents[events].Code != 0) ++events;
  std::printf(
      "    button %d: no %u, function 0x%02X, %d macro events, mode %u, repeat %u, index %d\n",
      index + 1, button.ButtonNo, button.FunctionCode, events, button.MacroMode, button.MacroRepeat,
      button.MacroIndex);
}

void PrintProfile(int slot, int section, const lt260::ProfileSetting& profile, bool active) {
  std::printf("  slot %d (section Profile%dSetting)%s: \"%s\"\n", slot, section,
              active ? ", active" : "",
              lt260::ToUtf8(lt260::FieldText(profile.Profil_Name)).c_str());
  std::printf("    DPI stage %d of levels", profile.DPI_Cur);
  for (int level : profile.DPI_Value) std::printf(" %d", level);
  std::printf("; polling code %d\n", profile.POLLRATE_VALUE);
  std::printf("    light %s, mode %d, colour 0x%06X, brightness %d, speed %d\n",
              profile.Enable_light ? "on" : "off", profile.light_type,
              static_cast<unsigned>(profile.light_Color[0]), profile.light_bright,
              profile.light_speed);
  std::printf("    double-click level %d, pointer speed %d, wheel %s, acceleration %s\n",
              profile.DBClick_Speed, profile.Mouse_Speed,
              profile.scroll_page ? "one page" : std::to_string(profile.Scroll_Speed).c_str(),
              profile.mouse_enhance ? "on" : "off");
  for (int i = 0; i < lt260::kButtonCount; ++i) PrintButton(i, profile.ButtonAssigned[i]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SETTINGS_FILE\n", argv[0]);
    return 2;
  }
  const std::filesystem::path path = argv[1];
  const bool existed = std::filesystem::exists(path);
  auto loaded = std::make_unique<lt260::SettingsFile>();
  auto applied = std::make_unique<lt260::SettingsFile>();
  auto active = std::make_unique<lt260::ProfileSetting>();
  lt260::SteadyClock clock;
  lt260::LoadSettings(path, *loaded, *applied, *active, clock);
  if (!existed) {
    std::printf("%s did not exist: %s\n", path.string().c_str(),
                std::filesystem::exists(path) ? "created it with the defaults"
                                              : "could not create it (is its folder there?)");
  }

  const lt260::GlobalSetting& global = applied->Global;
  std::printf("%s: %d profiles, active slot %d, current %d, language %d, tray icon %s\n",
              path.string().c_str(), global.Totle, global.Active, global.Current, global.lan_id,
              global.Show_TrayIcon ? "shown" : "hidden");
  for (int slot = 0; slot < global.Totle; ++slot) {
    PrintProfile(slot, global.ProfileMap[slot], applied->Profiles[slot], slot == global.Active);
  }
  return 0;
}
