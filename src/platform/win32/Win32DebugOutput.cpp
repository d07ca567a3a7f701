#include "platform/win32/Win32DebugOutput.h"

#include <windows.h>

#include <climits>
#include <string>

namespace lt260 {

void Win32DebugOutput::Write(std::string_view line) {
  if (line.empty() || line.size() > static_cast<std::size_t>(INT_MAX)) return;
  const int length = static_cast<int>(line.size());
  // Malformed UTF-8 becomes replacement characters rather than failing.
  const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, line.data(), length, nullptr, 0);
  if (wideLength <= 0) return;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  if (::MultiByteToWideChar(CP_UTF8, 0, line.data(), length, wide.data(), wideLength) !=
      wideLength) {
    return;
  }
  ::OutputDebugStringW(wide.c_str());
}

}  // namespace lt260
