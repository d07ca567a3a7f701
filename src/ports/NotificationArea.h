#pragma once

#include <cstdint>
#include <string>

#include "ports/WindowMessages.h"

namespace lt260 {

// The notification-area icon record: which window it calls back, with which
// message, and what it shows.
struct TrayIconRecord {
  WindowId Window = 0;
  uint32_t Id = 128;
  uint32_t CallbackMessage = 0;
  int IconResource = 137;  // of the program's own resources
  std::u16string Tip;
};

// The shell's notification area.
class NotificationArea {
 public:
  virtual ~NotificationArea() = default;
  // False when the shell refused (for example while no task bar runs).
  virtual bool Add(const TrayIconRecord& icon) = 0;
  virtual bool Delete(const TrayIconRecord& icon) = 0;
  // The message the shell sends every top-level window when its notification
  // area has started (again, after Explorer restarted), empty of icons; 0
  // when the system has no such message.
  virtual uint32_t RestartMessage() = 0;
};

}  // namespace lt260
