#pragma once

namespace lt260 {

// lt260ctl's exit statuses: one per kind of failure, so scripts can tell them apart.
enum class ExitStatus : int {
  Ok = 0,
  Failed = 1,            // anything not listed below
  Usage = 2,             // unknown verb or option, missing argument
  NoMouse = 3,           // no LT-260 interface present
  PermissionDenied = 4,  // present, but its nodes cannot be opened
  DeviceBusy = 5,        // present, but it refused or went away during the work
  BadSettings = 6,       // the settings file cannot be read or holds a bad line
  BadDescriptor = 7,     // the descriptor file of `caps` cannot be read or parsed
  NotOnThisSystem = 8,   // the verb has no use on this system (agent, udev-rule on Windows)
};

inline int Code(ExitStatus status) { return static_cast<int>(status); }

}  // namespace lt260
