#pragma once

#include <cstdint>
#include <string_view>

#include "ports/WindowMessages.h"

namespace lt260 {

// Top-level windows found by title (of any class) and messages posted to them.
class Win32WindowMessages final : public WindowMessages {
 public:
  WindowId FindWindowByTitle(std::u16string_view title) override;
  bool Post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam) override;
};

}  // namespace lt260
