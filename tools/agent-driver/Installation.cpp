#include "Installation.h"

#include <windows.h>
// <shlobj.h> needs the types of <windows.h>.
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <utility>

#include "common/SystemErrorText.h"
#include "platform/win32/Win32Text.h"

namespace lt260::driver {
namespace {

std::filesystem::path RoamingAppData() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) {
    return {};
  }
  return folder;
}

}  // namespace

std::filesystem::path FromBuildPath(std::string_view buildPath) {
  std::wstring path(buildPath.begin(), buildPath.end());
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::filesystem::path SettingsFilePath() {
  std::filesystem::path folder = RoamingAppData();
  if (folder.empty()) return {};
  // Joined as text, as the Agent does, rather than with operator/.
  return folder.wstring() + L"\\Quendra\\LT-260\\GamingMouse";
}

bool CleanQuendraAppData(std::string& error) {
  std::filesystem::path folder = RoamingAppData();
  if (folder.empty()) {
    error = "cannot find the roaming application-data folder";
    return false;
  }
  std::error_code code;
  std::filesystem::remove_all(folder / L"Quendra", code);
  if (code || std::filesystem::exists(folder / L"Quendra")) {
    error = "cannot remove " + win32::Utf8((folder / L"Quendra").wstring()) + ": " + code.message();
    return false;
  }
  std::filesystem::create_directories(folder / L"Quendra" / L"LT-260", code);
  if (code) {
    error = "cannot make " + win32::Utf8((folder / L"Quendra" / L"LT-260").wstring()) + ": " +
            code.message();
    return false;
  }
  return true;
}

std::filesystem::path PrepareInstallation(const InstallationSources& sources, std::string& error) {
  wchar_t temp[MAX_PATH + 1] = {};
  if (::GetTempPathW(MAX_PATH + 1, temp) == 0) {
    error = "cannot find the temporary folder: " + tools::LastErrorText();
    return {};
  }
  static std::atomic<unsigned> serial{0};
  std::filesystem::path folder =
      std::filesystem::path(temp) /
      (L"lt260-installation-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
       std::to_wstring(serial++));
  std::filesystem::path language = sources.Agent.parent_path() / L"Lan";
  const std::pair<std::filesystem::path, const char*> files[] = {
      {sources.Agent, "the Agent"},
      {sources.Configurator, "Gaming.exe"},
      {sources.Companion, "CheckPidVid.dll"},
      {language / L"skin_En.ini", "the English language file"},
      {language / L"skin_Sp.ini", "the Spanish language file"},
  };
  for (const auto& [path, what] : files) {
    if (!std::filesystem::is_regular_file(path)) {
      error = std::string("no ") + what + " at " + win32::Utf8(path.wstring()) + " (is it built?)";
      return {};
    }
  }
  std::error_code code;
  std::filesystem::remove_all(folder, code);
  std::filesystem::create_directories(folder / L"Lan", code);
  if (code) {
    error = "cannot make the installation folder " + win32::Utf8(folder.wstring()) + ": " +
            code.message();
    return {};
  }
  const std::pair<std::filesystem::path, std::filesystem::path> copies[] = {
      {sources.Agent, folder / sources.Agent.filename()},
      {sources.Configurator, folder / L"Gaming.exe"},
      {sources.Companion, folder / L"CheckPidVid.dll"},
      {language / L"skin_En.ini", folder / L"Lan" / L"skin_En.ini"},
      {language / L"skin_Sp.ini", folder / L"Lan" / L"skin_Sp.ini"},
  };
  for (const auto& [from, to] : copies) {
    if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                    code)) {
      error = "cannot copy " + win32::Utf8(from.wstring()) + " to " + win32::Utf8(to.wstring()) +
              ": " + code.message();
      return {};
    }
  }
  return folder;
}

}  // namespace lt260::driver
