#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lt260::driver {

// A path as the build wrote it down: a Unix path is reached under Wine through
// drive Z:, which a new prefix maps to the root; a Windows path is kept.
std::filesystem::path FromBuildPath(std::string_view buildPath);

// "%APPDATA%\Quendra\LT-260\GamingMouse" of this user, as the Agent builds it.
std::filesystem::path SettingsFilePath();
// Removes "%APPDATA%\Quendra" and everything in it, so that a run starts with
// no settings file, and makes the empty folder "Quendra\LT-260" again, as an
// installation does: the Agent writes its files there but never creates it.
bool CleanQuendraAppData(std::string& error);

// What an installation folder is made from. The language folder "Lan" is
// taken from beside the Agent.
struct InstallationSources {
  std::filesystem::path Agent;         // LT260AgentSim.exe
  std::filesystem::path Configurator;  // the stand-in built as Gaming.exe
  std::filesystem::path Companion;     // CheckPidVid.dll
};

// Makes a new folder below the user's temporary folder and copies the Agent,
// Gaming.exe, Lan\ and CheckPidVid.dll into it. Returns the folder, or an
// empty path after describing the problem in `error`.
std::filesystem::path PrepareInstallation(const InstallationSources& sources, std::string& error);

}  // namespace lt260::driver
