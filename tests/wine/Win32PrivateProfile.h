#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lt260::wine {

// The Windows private-profile functions, called one key at a time exactly as a
// program that does not cache anything would call them. Kept apart so that the
// rest of the test never sees <windows.h>.
class Win32PrivateProfile {
 public:
  explicit Win32PrivateProfile(std::filesystem::path path) : path_(std::move(path)) {}

  // GetPrivateProfileIntW returns a UINT; the bits are those of the int read.
  uint32_t ReadInt(std::u16string_view section, std::u16string_view key,
                   int32_t defaultValue) const;
  // GetPrivateProfileStringW with a buffer far larger than any value.
  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;
  // GetPrivateProfileStructW: the bytes on success, nothing on failure.
  std::optional<std::vector<uint8_t>> ReadStruct(std::u16string_view section,
                                                 std::u16string_view key, std::size_t size) const;

  bool WriteString(std::u16string_view section, std::u16string_view key,
                   std::u16string_view value) const;
  // There is no WritePrivateProfileInt: programs write the "%d" text.
  bool WriteInt(std::u16string_view section, std::u16string_view key, int32_t value) const;
  bool WriteStruct(std::u16string_view section, std::u16string_view key,
                   std::span<const uint8_t> source) const;

 private:
  std::filesystem::path path_;
};

}  // namespace lt260::wine
