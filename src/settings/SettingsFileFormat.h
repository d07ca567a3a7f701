#pragma once

#include <filesystem>

#include "ports/Clock.h"
#include "settings/GlobalSetting.h"
#include "settings/IniDocument.h"
#include "settings/ProfileSetting.h"

namespace lt260 {

// Section "Setting" and the section name of profile section number N.
inline constexpr char16_t kGlobalSection[] = u"Setting";
std::u16string ProfileSectionName(int sectionNumber);
// The section of bullet macro N in the bullet-macro file ("BulletProfileN").
std::u16string BulletSectionName(int bulletNumber);

// The header and profile sections as the Configurator lays them out. The
// document forms read from or write into a file already in memory; the path
// forms read the file once or replace it once.
void ReadGlobalSetting(const IniDocument& document, GlobalSetting& global);
void ReadProfileSetting(const IniDocument& document, int sectionNumber, ProfileSetting& profile);
void WriteGlobalSetting(IniDocument& document, const GlobalSetting& global);
void WriteProfileSetting(IniDocument& document, int sectionNumber, const ProfileSetting& profile);

void ReadGlobalSetting(const std::filesystem::path& path, GlobalSetting& global);
void ReadProfileSetting(const std::filesystem::path& path, int sectionNumber,
                        ProfileSetting& profile);
bool WriteGlobalSetting(const std::filesystem::path& path, const GlobalSetting& global,
                        Clock& clock);
bool WriteProfileSetting(const std::filesystem::path& path, int sectionNumber,
                         const ProfileSetting& profile, Clock& clock);

}  // namespace lt260
