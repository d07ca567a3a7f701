#include "MouseRegistry.h"

#include <windows.h>

namespace lt260::driver {

std::optional<std::wstring> ReadMouseRegistryValue(const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", name, RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

}  // namespace lt260::driver
