// Times a full load of a six-profile settings file two ways: our LoadSettings,
// which reads the file once, and the load made of one private-profile call per
// key (7 header keys, then per profile in use its map key and 65 profile keys),
// each call opening and searching the file again. Prints milliseconds per load
// and the ratio.
//
//   LoadSettingsWineBench [seconds per measurement, default 2]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "SampleSettings.h"
#include "cli/SteadyClock.h"
#include "platform/win32/Win32Text.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"

namespace {

using namespace lt260;
namespace fs = std::filesystem;

std::wstring Indexed(const wchar_t* stem, int index) { return stem + std::to_wstring(index); }

// One file, one call per key, in the file's key order.
class PerKeyReader {
 public:
  explicit PerKeyReader(const fs::path& path) : path_(path.wstring()) {}

  void Int(const std::wstring& section, const std::wstring& key, int32_t& field,
           int32_t defaultValue) const {
    field = static_cast<int32_t>(
        GetPrivateProfileIntW(section.c_str(), key.c_str(), defaultValue, path_.c_str()));
  }
  template <std::size_t N>
  void Text(const std::wstring& section, const std::wstring& key, TextField<N>& field) const {
    GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", win32::AsWide(field.data()),
                             static_cast<DWORD>(N), path_.c_str());
  }
  void Button(const std::wstring& section, const std::wstring& key, ButtonAssignment& record,
              int buttonIndex) const {
    ButtonAssignment scratch;
    if (GetPrivateProfileStructW(section.c_str(), key.c_str(), &scratch, sizeof scratch,
                                 path_.c_str())) {
      record = scratch;
    } else {
      record = ResetButtonAssignmentFor(buttonIndex);
    }
  }
  bool Exists() const { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

 private:
  std::wstring path_;
};

void ReadProfilePerKey(const PerKeyReader& file, int sectionNumber, ProfileSetting& profile) {
  const std::wstring s = L"Profile" + std::to_wstring(sectionNumber) + L"Setting";
  file.Int(s, L"GroupID", profile.GroupID, 0);
  file.Int(s, L"DPI_Cur", profile.DPI_Cur, 3);
  for (int i = 0; i < kDpiStageCount; ++i) {
    file.Int(s, Indexed(L"DPI_Value", i), profile.DPI_Value[i], kDefaultDpiValues[i]);
    file.Int(s, Indexed(L"DPI_Color", i), profile.DPI_Color[i], kDefaultDpiColors[i]);
  }
  file.Int(s, L"POLLRATE_VALUE", profile.POLLRATE_VALUE, 2);
  file.Int(s, L"Enable_light", profile.Enable_light, 1);
  file.Int(s, L"Cycle_enable", profile.Cycle_enable, 0);
  file.Int(s, L"light_type", profile.light_type, 0);
  file.Int(s, L"light_bright", profile.light_bright, 5);
  file.Int(s, L"light_speed", profile.light_speed, 3);
  file.Int(s, L"light_bright_colorID", profile.light_bright_colorID, 0);
  for (int i = 0; i < kLightModeCount; ++i) {
    file.Int(s, Indexed(L"light_Color", i), profile.light_Color[i], kDefaultLightColor);
  }
  for (int i = 0; i < kLightModeCount; ++i) {
    file.Int(s, Indexed(L"light_Cycle", i), profile.light_Cycle[i], kDefaultLightCycle[i]);
  }
  file.Int(s, L"DBClick_Speed", profile.DBClick_Speed, 4);
  file.Int(s, L"Scroll_Speed", profile.Scroll_Speed, 3);
  file.Int(s, L"scroll_page", profile.scroll_page, 0);
  file.Int(s, L"Mouse_Speed", profile.Mouse_Speed, 5);
  file.Int(s, L"mouse_enhance", profile.mouse_enhance, 0);
  file.Text(s, L"Profil_Name", profile.Profil_Name);
  file.Text(s, L"SYNCFilesPath", profile.SYNCFilesPath);
  for (int i = 0; i < kButtonCount; ++i) {
    file.Text(s, Indexed(L"ExePath", i), profile.ExePath[i]);
    file.Text(s, Indexed(L"ExeName", i), profile.ExeName[i]);
    file.Button(s, Indexed(L"ButtonAssigned", i), profile.ButtonAssigned[i], i);
  }
}

// The load cycle with the same steps as LoadSettings, but every value fetched
// by its own call.
void LoadSettingsPerKey(const fs::path& path, SettingsFile& loaded, SettingsFile& applied,
                        ProfileSetting& activeProfile) {
  const PerKeyReader file(path);
  const std::wstring s = L"Setting";
  GlobalSetting& global = loaded.Global;
  file.Int(s, L"Totle", global.Totle, kMaxProfileCount);
  file.Int(s, L"Current", global.Current, 0);
  file.Int(s, L"Active", global.Active, 0);
  file.Int(s, L"Show_TrayIcon", global.Show_TrayIcon, 1);
  file.Int(s, L"Show_OSD", global.Show_OSD, 1);
  file.Int(s, L"lan_id", global.lan_id, 0);
  file.Text(s, L"BGFilesPath", global.BGFilesPath);
  global.Totle = UsableProfileCount(global.Totle);
  for (int slot = 0; slot < global.Totle; ++slot) {
    file.Int(s, std::to_wstring(slot), global.ProfileMap[slot], slot);
  }
  for (int slot = 0; slot < global.Totle; ++slot) {
    ReadProfilePerKey(file, global.ProfileMap[slot], loaded.Profiles[slot]);
  }
  ValidateSettings(loaded);
  if (!file.Exists()) std::abort();  // the sample file is always there
  applied = loaded;
  activeProfile = loaded.Profiles[loaded.Global.Active];
}

// Runs `load` until `seconds` have passed (at least three times) and returns
// milliseconds per load.
template <typename Load>
double MillisecondsPerLoad(double seconds, Load load, int& loads) {
  using Clock = std::chrono::steady_clock;
  load();  // warm-up: the first call also fills caches
  loads = 0;
  const Clock::time_point start = Clock::now();
  Clock::duration elapsed{};
  while (loads < 3 || elapsed < std::chrono::duration<double>(seconds)) {
    load();
    ++loads;
    elapsed = Clock::now() - start;
  }
  return std::chrono::duration<double, std::milli>(elapsed).count() / loads;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  const fs::path folder = fs::temp_directory_path() / "lt260-load-settings-bench";
  fs::create_directories(folder);
  const fs::path path = folder / "GamingMouse";
  fs::remove(path);
  const SettingsFile sample = bench::SampleSettings();
  SteadyClock clock;
  if (!WriteSettingsFile(path, sample, clock)) {
    std::fprintf(stderr, "could not write %ls\n", path.c_str());
    return 1;
  }

  static SettingsFile loaded, applied, perKeyLoaded, perKeyApplied;
  static ProfileSetting active, perKeyActive;
  int oursLoads = 0;
  int perKeyLoads = 0;
  const double ours = MillisecondsPerLoad(
      seconds, [&] { LoadSettings(path, loaded, applied, active, clock); }, oursLoads);
  const double perKey = MillisecondsPerLoad(
      seconds, [&] { LoadSettingsPerKey(path, perKeyLoaded, perKeyApplied, perKeyActive); },
      perKeyLoads);

  // Both must have read the sample back, or the timing compares unlike work.
  const bool oursMatches = std::memcmp(&loaded, &sample, sizeof sample) == 0;
  const bool perKeyMatches = std::memcmp(&perKeyLoaded, &sample, sizeof sample) == 0;
  const int calls = 7 + kMaxProfileCount * (1 + 65);

  std::printf("settings file: 6 profiles, %ju bytes\n",
              static_cast<uintmax_t>(fs::file_size(path)));
  std::printf("LoadSettings (one read of the file):   %9.3f ms per load  (%d loads)%s\n", ours,
              oursLoads, oursMatches ? "" : "  WRONG RECORD");
  std::printf("one private-profile call per key (%d): %9.3f ms per load  (%d loads)%s\n", calls,
              perKey, perKeyLoads, perKeyMatches ? "" : "  WRONG RECORD");
  std::printf("ratio per-key / LoadSettings: %.1f\n", perKey / ours);

  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return oursMatches && perKeyMatches ? 0 : 1;
}
