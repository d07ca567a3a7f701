#include "platform/win32/Win32DebugOutput.h"

#include <windows.h>

#include <string>

#include "platform/win32/Win32Text.h"
#include "text/Utf8.h"

namespace lt260 {

void Win32DebugOutput::Write(std::string_view line) {
  if (line.empty()) return;
  // Malformed UTF-8 becomes replacement characters rather than failing.
  ::OutputDebugStringW(win32::Wide(FromUtf8(line)).c_str());
}

}  // namespace lt260
