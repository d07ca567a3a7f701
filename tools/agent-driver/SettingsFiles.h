#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lt260::driver {

// A value of the settings file as the Agent reads it (through IniFile); empty
// when the file or the key is missing.
std::optional<std::u16string> ReadSettingsValue(const std::filesystem::path& path,
                                                std::u16string_view section,
                                                std::u16string_view key);
std::optional<int32_t> ReadSettingsInt(const std::filesystem::path& path,
                                       std::u16string_view section, std::u16string_view key);
bool WriteSettingsInt(const std::filesystem::path& path, std::u16string_view section,
                      std::u16string_view key, int32_t value, std::string& error);

// Every "section/key" of the settings file with its value as written, for
// showing what changed between two moments.
std::map<std::string, std::string> SettingsEntries(const std::filesystem::path& path);

}  // namespace lt260::driver
