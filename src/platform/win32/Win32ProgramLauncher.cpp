#include "platform/win32/Win32ProgramLauncher.h"

#include <windows.h>
// <windows.h> first: the shell header builds on it.
#include <shellapi.h>

namespace lt260 {

bool Win32ProgramLauncher::Open(const std::filesystem::path& program) {
  if (!program.is_absolute()) return false;
  HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
  // Values up to 32 are error codes.
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace lt260
