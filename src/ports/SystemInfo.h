#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace lt260 {

// Where things are and what the system is.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // The user's roaming application-data folder, created if missing; none when
  // the shell cannot name it.
  virtual std::optional<std::filesystem::path> AppDataFolder() = 0;
  // The folder of the running program.
  virtual std::filesystem::path ProgramFolder() = 0;
  virtual uint32_t WindowsMajorVersion() = 0;
};

}  // namespace lt260
