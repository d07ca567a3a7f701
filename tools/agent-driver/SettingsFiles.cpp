#include "SettingsFiles.h"

#include "TextLines.h"
#include "cli/SteadyClock.h"
#include "platform/win32/Win32Text.h"
#include "settings/IniFile.h"
#include "text/Utf8.h"

namespace lt260::driver {

std::optional<std::u16string> ReadSettingsValue(const std::filesystem::path& path,
                                                std::u16string_view section,
                                                std::u16string_view key) {
  IniFile::Snapshot snapshot = IniFile::Load(path);
  if (snapshot.status != IniFile::LoadStatus::Loaded) return std::nullopt;
  // A default no file can hold tells a missing key from an empty one.
  static constexpr char16_t kMissing[] = u"\x01missing\x01";
  std::u16string value = snapshot.document.ReadString(section, key, kMissing);
  if (value == kMissing) return std::nullopt;
  return value;
}

std::optional<int32_t> ReadSettingsInt(const std::filesystem::path& path,
                                       std::u16string_view section, std::u16string_view key) {
  if (!ReadSettingsValue(path, section, key)) return std::nullopt;
  return IniFile::Load(path).document.ReadInt(section, key, 0);
}

bool WriteSettingsInt(const std::filesystem::path& path, std::u16string_view section,
                      std::u16string_view key, int32_t value, std::string& error) {
  SteadyClock clock;
  if (!IniFile(path, clock).WriteInt(section, key, value)) {
    error = "cannot write " + ToUtf8(key) + " of [" + ToUtf8(section) + "] in " +
            win32::Utf8(path.wstring());
    return false;
  }
  return true;
}

std::map<std::string, std::string> SettingsEntries(const std::filesystem::path& path) {
  std::map<std::string, std::string> entries;
  std::string section;
  for (std::string line : ReadTextLines(path)) {
    auto trim = [](std::string text) {
      size_t begin = text.find_first_not_of(" \t");
      size_t end = text.find_last_not_of(" \t");
      return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    };
    line = trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = trim(line.substr(1, line.size() - 2));
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = section + "/" + trim(line.substr(0, equals));
    // The first of two equal keys is the one every reader sees.
    entries.emplace(key, trim(line.substr(equals + 1)));
  }
  return entries;
}

}  // namespace lt260::driver
