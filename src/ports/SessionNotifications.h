#pragma once

#include "ports/WindowMessages.h"

namespace lt260 {

// Delivery of the session's lock, unlock and console events to a window.
class SessionNotifications {
 public:
  virtual ~SessionNotifications() = default;
  virtual bool Register(WindowId window) = 0;
  virtual void Unregister(WindowId window) = 0;
};

}  // namespace lt260
