#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "ports/SystemInfo.h"

namespace lt260 {

// Folders from the shell and the module file name, and the system's version.
class Win32SystemInfo final : public SystemInfo {
 public:
  std::optional<std::filesystem::path> AppDataFolder() override;
  // Empty when the module file name cannot be read.
  std::filesystem::path ProgramFolder() override;
  // 0 when the version cannot be read.
  uint32_t WindowsMajorVersion() override;
};

}  // namespace lt260
