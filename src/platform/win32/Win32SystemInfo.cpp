#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>
// <windows.h> first: the shell header builds on it.
#include <shlobj.h>

#include <string>

namespace lt260 {

std::optional<std::filesystem::path> Win32SystemInfo::AppDataFolder() {
  wchar_t folder[MAX_PATH] = {};
  const HRESULT result = ::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                            SHGFP_TYPE_CURRENT, folder);
  if (FAILED(result)) return std::nullopt;
  return std::filesystem::path(folder);
}

std::filesystem::path Win32SystemInfo::ProgramFolder() {
  // A name that fills the buffer may have been cut: grow and ask again.
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD capacity = static_cast<DWORD>(name.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), capacity);
    if (length == 0) return {};
    if (length < capacity) {
      name.resize(length);
      break;
    }
    if (name.size() >= 32768) return {};  // longer than any path the system allows
    name.resize(name.size() * 2);
  }
  const std::size_t lastSeparator = name.rfind(L'\\');
  if (lastSeparator == std::wstring::npos) return {};
  name.resize(lastSeparator);
  return std::filesystem::path(name);
}

uint32_t Win32SystemInfo::WindowsMajorVersion() {
  OSVERSIONINFOW version{};
  static_assert(sizeof(version) == 276);
  version.dwOSVersionInfoSize = sizeof(version);
  if (!::GetVersionExW(&version)) return 0;
  return version.dwMajorVersion;
}

}  // namespace lt260
