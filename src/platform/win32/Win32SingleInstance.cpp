#include "platform/win32/Win32SingleInstance.h"

#include <windows.h>

#include <string>

#include "platform/win32/Win32Text.h"

namespace lt260 {

Win32SingleInstance::~Win32SingleInstance() { Release(); }

bool Win32SingleInstance::Acquire(std::u16string_view name) {
  Release();
  const std::wstring wideName = win32::Wide(name);
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, wideName.c_str());
  if (mutex == nullptr) return false;
  // Read at once: the next call may change the last error.
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return false;
  }
  mutex_ = reinterpret_cast<uintptr_t>(mutex);
  return true;
}

void Win32SingleInstance::Release() {
  if (mutex_ == 0) return;
  ::CloseHandle(reinterpret_cast<HANDLE>(mutex_));
  mutex_ = 0;
}

}  // namespace lt260
