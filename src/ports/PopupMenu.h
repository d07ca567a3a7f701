#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ports/WindowMessages.h"

namespace lt260 {

struct MenuItem {
  std::u16string Text;
  uint32_t Command = 0;
};

// A pop-up menu at the cursor, owned by a window.
class PopupMenu {
 public:
  virtual ~PopupMenu() = default;
  // Brings the owner's last active pop-up to the foreground (so the menu
  // closes when the user clicks elsewhere), shows the items at the cursor and
  // returns when the menu closes; a chosen item reaches the owner as
  // kWmCommand afterwards.
  virtual void Track(WindowId owner, const std::vector<MenuItem>& items) = 0;
};

}  // namespace lt260
