#pragma once

#include "ports/SessionNotifications.h"

namespace lt260 {

// The session's lock, unlock and console events for this session only.
class Win32SessionNotifications final : public SessionNotifications {
 public:
  bool Register(WindowId window) override;
  void Unregister(WindowId window) override;
};

}  // namespace lt260
