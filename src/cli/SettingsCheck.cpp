#include "cli/SettingsCheck.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsValidation.h"

namespace lt260 {
namespace {

std::string Trimmed(std::string text) {
  const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isSpace));
  text.erase(std::find_if_not(text.rbegin(), text.rend(), isSpace).base(), text.end());
  return text;
}

std::string Folded(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Narrow(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// The settings record laid out as the file holds it.
std::string Serialized(const SettingsFile& settings, int profileCount) {
  IniDocument document;
  WriteGlobalSetting(document, settings.Global);
  for (int slot = 0; slot < profileCount; ++slot) {
    WriteProfileSetting(document, settings.Global.ProfileMap[slot], settings.Profiles[slot]);
  }
  return Narrow(document.Serialize());
}

// The line of `key` in `section` of the file's text, or 0.
int LineOf(const std::vector<std::string>& lines, const std::string& section,
           const std::string& key) {
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string line = Trimmed(lines[i]);
    if (line.starts_with("[")) {
      const auto close = line.find(']');
      inSection = close != std::string::npos &&
                  Folded(Trimmed(line.substr(1, close - 1))) == Folded(section);
    } else if (inSection) {
      const auto equals = line.find('=');
      if (equals != std::string::npos && Folded(Trimmed(line.substr(0, equals))) == Folded(key)) {
        return static_cast<int>(i + 1);
      }
    }
  }
  return 0;
}

std::optional<SettingsProblem> MalformedLine(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string line = Trimmed(lines[i]);
    if (line.empty() || line.starts_with(";")) continue;
    if (line.starts_with("[")) {
      if (line.find(']') == std::string::npos) {
        return SettingsProblem{"section header without ]", static_cast<int>(i + 1)};
      }
      continue;
    }
    if (line.find('=') == std::string::npos) {
      return SettingsProblem{"\"" + line + "\" is not a key=value line", static_cast<int>(i + 1)};
    }
  }
  return {};
}

}  // namespace

std::optional<SettingsProblem> CheckSettingsFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return SettingsProblem{"cannot be read", 0};
  std::ostringstream content;
  content << in.rdbuf();
  const std::string text = content.str();
  // A UTF-16 file is the Configurator's own doing; its values are checked
  // below, its lines are not.
  const bool utf16 = text.size() >= 2 && static_cast<uint8_t>(text[0]) == 0xFF &&
                     static_cast<uint8_t>(text[1]) == 0xFE;
  const std::vector<std::string> lines = utf16 ? std::vector<std::string>{} : Lines(text);
  if (auto malformed = MalformedLine(lines)) return malformed;

  const IniFile::Snapshot snapshot = IniFile::Load(path);
  if (snapshot.status == IniFile::LoadStatus::Unreadable) {
    return SettingsProblem{"cannot be read", 0};
  }
  SettingsFile raw;
  ReadSettingsFile(snapshot.document, raw);
  SettingsFile validated = raw;
  ValidateSettings(validated);
  const int count = UsableProfileCount(raw.Global.Totle);
  const std::vector<std::string> asRead = Lines(Serialized(raw, count));
  const std::vector<std::string> asRepaired = Lines(Serialized(validated, count));

  std::string section;
  for (std::size_t i = 0; i < asRead.size() && i < asRepaired.size(); ++i) {
    const std::string& line = asRead[i];
    if (line.starts_with("[")) section = line.substr(1, line.find(']') - 1);
    if (line == asRepaired[i]) continue;
    const auto equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string replacement = asRepaired[i].substr(asRepaired[i].find('=') + 1);
    // Button records are long hex strings: name them instead of printing them.
    const std::string shown = line.size() > 48 ? key : line;
    return SettingsProblem{"[" + section + "] " + shown + " is out of range (the load would use " +
                               (replacement.size() > 24 ? "a default" : replacement) + ")",
                           LineOf(lines, section, key)};
  }
  return {};
}

}  // namespace lt260
