#pragma once

#include <filesystem>

#include "ports/ProgramLauncher.h"

namespace lt260 {

// The shell's "open" verb on a full path; a relative path is refused, so the
// search path never picks the program.
class Win32ProgramLauncher final : public ProgramLauncher {
 public:
  bool Open(const std::filesystem::path& program) override;
};

}  // namespace lt260
