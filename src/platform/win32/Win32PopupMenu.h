#pragma once

#include <vector>

#include "ports/PopupMenu.h"

namespace lt260 {

// A pop-up menu of string items, tracked at the cursor with flags 0.
class Win32PopupMenu final : public PopupMenu {
 public:
  void Track(WindowId owner, const std::vector<MenuItem>& items) override;
};

}  // namespace lt260
