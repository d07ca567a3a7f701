#include "platform/win32/Win32RegistryAccess.h"

#include <windows.h>

#include <string>

#include "platform/win32/Win32Text.h"

namespace lt260 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(kRegistryReadWrite == (KEY_READ | KEY_WRITE));
static_assert(kRegistryAllAccess == KEY_ALL_ACCESS);

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::CurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
  }
  return HKEY_LOCAL_MACHINE;
}

RegistryKey ToKey(HKEY key) { return reinterpret_cast<RegistryKey>(key); }
HKEY ToHkey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

RegistryKey Win32RegistryAccess::OpenKey(RegistryRoot root, std::u16string_view subKey,
                                         uint32_t access) {
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExW(RootKey(root), win32::Wide(subKey).c_str(), 0, access, &key);
  return result == ERROR_SUCCESS ? ToKey(key) : 0;
}

RegistryKey Win32RegistryAccess::CreateKey(RegistryRoot root, std::u16string_view subKey) {
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyW(RootKey(root), win32::Wide(subKey).c_str(), &key);
  return result == ERROR_SUCCESS ? ToKey(key) : 0;
}

bool Win32RegistryAccess::SetStringValue(RegistryKey key, std::u16string_view name,
                                         std::u16string_view text) {
  const std::wstring data = win32::Wide(text);
  // REG_SZ data carries its terminating null in its length.
  const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(ToHkey(key), win32::Wide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()), bytes) == ERROR_SUCCESS;
}

void Win32RegistryAccess::CloseKey(RegistryKey key) { ::RegCloseKey(ToHkey(key)); }

}  // namespace lt260
