#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lt260 {

struct SettingsProblem {
  std::string Message;
  int Line = 0;  // from 1; 0 when the problem has no line
};

// Looks for what the load would silently repair or ignore in a settings file
// a person may have edited: a line that is neither a section, a key=value
// pair, a comment nor blank, and a value the validation would replace. The
// first problem in file order is returned; a missing file has none (it is
// created with defaults).
std::optional<SettingsProblem> CheckSettingsFile(const std::filesystem::path& path);

}  // namespace lt260
