#pragma once

#include <string_view>

namespace lt260 {

// The platform's debug-output channel, the Agent's only trace.
class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  virtual void Write(std::string_view line) = 0;
};

}  // namespace lt260
