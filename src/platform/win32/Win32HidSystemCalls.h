#pragma once

#include <windows.h>

namespace lt260 {

// The system calls through which the HID backend opens and reads devices. The
// backend uses the system's own; a test passes stand-ins to provoke what real
// hardware does and Wine's devices never do: an interface the system keeps
// for itself, a device pulled out under a read.
struct Win32HidSystemCalls {
  decltype(&::CreateFileW) OpenDevice = &::CreateFileW;
  decltype(&::ReadFile) ReadDevice = &::ReadFile;
};

}  // namespace lt260
