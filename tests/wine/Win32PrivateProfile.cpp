#include "wine/Win32PrivateProfile.h"

#include <windows.h>

#include "platform/win32/Win32Text.h"

namespace lt260::wine {
namespace {

// Copies make the strings NUL-terminated whatever view they came from.
using win32::Wide;

constexpr DWORD kStringBufferLength = 1 << 16;

}  // namespace

uint32_t Win32PrivateProfile::ReadInt(std::u16string_view section, std::u16string_view key,
                                      int32_t defaultValue) const {
  return GetPrivateProfileIntW(Wide(section).c_str(), Wide(key).c_str(), defaultValue,
                               path_.c_str());
}

std::u16string Win32PrivateProfile::ReadString(std::u16string_view section, std::u16string_view key,
                                               std::u16string_view defaultValue) const {
  std::wstring buffer(kStringBufferLength, L'\0');
  const DWORD length =
      GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(defaultValue).c_str(),
                               buffer.data(), kStringBufferLength, path_.c_str());
  return win32::FromWide(std::wstring_view(buffer.data(), length));
}

std::optional<std::vector<uint8_t>> Win32PrivateProfile::ReadStruct(std::u16string_view section,
                                                                    std::u16string_view key,
                                                                    std::size_t size) const {
  std::vector<uint8_t> bytes(size + 1);  // never hand over a null buffer for size 0
  if (!GetPrivateProfileStructW(Wide(section).c_str(), Wide(key).c_str(), bytes.data(),
                                static_cast<UINT>(size), path_.c_str())) {
    return std::nullopt;
  }
  bytes.resize(size);
  return bytes;
}

bool Win32PrivateProfile::WriteString(std::u16string_view section, std::u16string_view key,
                                      std::u16string_view value) const {
  return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                    path_.c_str()) != FALSE;
}

bool Win32PrivateProfile::WriteInt(std::u16string_view section, std::u16string_view key,
                                   int32_t value) const {
  const std::string digits = std::to_string(value);
  return WriteString(section, key, std::u16string(digits.begin(), digits.end()));
}

bool Win32PrivateProfile::WriteStruct(std::u16string_view section, std::u16string_view key,
                                      std::span<const uint8_t> source) const {
  std::vector<uint8_t> bytes(source.begin(), source.end());
  bytes.push_back(0);  // as above: a real buffer even for no bytes
  return WritePrivateProfileStructW(Wide(section).c_str(), Wide(key).c_str(), bytes.data(),
                                    static_cast<UINT>(source.size()), path_.c_str()) != FALSE;
}

}  // namespace lt260::wine
