#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lt260 {

// The pieces of the private-profile value rules that do not depend on where a
// value sits in the file.

// Space as the profile functions trim it: tab to carriage return, space, and
// the old end-of-file mark ^Z.
constexpr bool IsProfileSpace(char16_t unit) {
  return (unit >= 0x09 && unit <= 0x0D) || unit == 0x20 || unit == 0x1A;
}
std::u16string_view TrimProfileSpace(std::u16string_view text);

// A value of two or more characters that starts and ends with the same quote
// (" or ') loses both.
std::u16string_view StripQuotes(std::u16string_view value);

// The name as it is compared: case folded, so that "totle" finds "Totle".
std::u16string FoldName(std::u16string_view name);

// The number at the start of a value as GetPrivateProfileIntW reads it: spaces,
// one sign, a 0x / 0o / 0b prefix, digits up to the first that does not fit,
// everything modulo 2^32. At most the first 29 characters count.
uint32_t ParseProfileInt(std::u16string_view value);

std::u16string FormatInt(int32_t value);

// The checksummed struct encoding: two upper-case hex digits per byte, then
// the byte sum modulo 256 the same way.
std::u16string EncodeProfileStruct(std::span<const uint8_t> bytes);
// Fills `destination` only when `value` holds exactly its size in bytes and a
// matching checksum.
bool DecodeProfileStruct(std::u16string_view value, std::span<uint8_t> destination);

}  // namespace lt260
