#pragma once

#include <windows.h>

#include <cwctype>
#include <string>

#include "platform/win32/Win32Text.h"

namespace lt260::tools {

// The system's text for an error code, in UTF-8 and without its line break,
// followed by the number: "Access is denied. (error 5)", or "error 5" alone
// where the system has no text.
inline std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring();
  ::LocalFree(buffer);
  while (!text.empty() && std::iswspace(text.back())) text.pop_back();
  const std::string number = "error " + std::to_string(code);
  if (text.empty()) return number;
  return win32::Utf8(text) + " (" + number + ")";
}

// The text of the calling thread's last error.
inline std::string LastErrorText() { return SystemErrorText(::GetLastError()); }

}  // namespace lt260::tools
