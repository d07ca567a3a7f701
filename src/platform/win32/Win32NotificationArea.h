#pragma once

#include <cstdint>

#include "ports/NotificationArea.h"

namespace lt260 {

// The notification icon through the shell. The icon image is loaded from the
// program's resources on first use and kept; icons loaded that way are shared
// by the system and never destroyed.
class Win32NotificationArea final : public NotificationArea {
 public:
  bool Add(const TrayIconRecord& icon) override;
  bool Delete(const TrayIconRecord& icon) override;
  // "TaskbarCreated", registered on first use.
  uint32_t RestartMessage() override;

 private:
  uintptr_t IconFor(int resource);

  uintptr_t icon_ = 0;
  int iconResource_ = 0;
  uint32_t restartMessage_ = 0;
};

}  // namespace lt260
