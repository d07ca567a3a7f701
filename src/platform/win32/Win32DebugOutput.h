#pragma once

#include <string_view>

#include "ports/DebugOutput.h"

namespace lt260 {

// Lines (UTF-8) to the system's debug output, as UTF-16.
class Win32DebugOutput final : public DebugOutput {
 public:
  void Write(std::string_view line) override;
};

}  // namespace lt260
