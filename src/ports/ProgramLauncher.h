#pragma once

#include <filesystem>

namespace lt260 {

// Starts a program by its full path with the shell's "open" verb, without
// waiting for it. Never through the search path.
class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  virtual bool Open(const std::filesystem::path& program) = 0;
};

}  // namespace lt260
