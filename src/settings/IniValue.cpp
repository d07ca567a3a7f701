#include "settings/IniValue.h"

#include <vector>

namespace lt260 {
namespace {

constexpr std::size_t kIntReadLength = 29;  // the integer read's buffer holds 30 units

int DigitValue(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'z') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'Z') return unit - u'A' + 10;
  return -1;
}

int HexDigit(char16_t unit) {
  const int digit = DigitValue(unit);
  return digit >= 0 && digit < 16 ? digit : -1;
}

// Simple upper-case mapping for the scripts names are likely to use: Latin,
// Greek and Cyrillic. Windows compares profile names case-insensitively over
// all of Unicode; other scripts compare as written.
char16_t FoldUnit(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 0x20);
  if (unit < 0x80) return unit;
  if ((unit >= 0xE0 && unit <= 0xFE && unit != 0xF7)) return static_cast<char16_t>(unit - 0x20);
  if (unit == 0xFF) return 0x178;
  if (unit >= 0x100 && unit <= 0x17F) {
    // Latin Extended-A pairs capitals and small letters, mostly capital first.
    const bool capitalEven = (unit >= 0x100 && unit <= 0x137) || (unit >= 0x14A && unit <= 0x177);
    const bool capitalOdd = (unit >= 0x139 && unit <= 0x148) || (unit >= 0x179 && unit <= 0x17E);
    if (capitalEven && (unit & 1)) return static_cast<char16_t>(unit - 1);
    if (capitalOdd && !(unit & 1)) return static_cast<char16_t>(unit - 1);
    return unit;
  }
  if (unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2) return static_cast<char16_t>(unit - 0x20);
  if (unit >= 0x430 && unit <= 0x44F) return static_cast<char16_t>(unit - 0x20);
  if (unit >= 0x450 && unit <= 0x45F) return static_cast<char16_t>(unit - 0x50);
  return unit;
}

}  // namespace

std::u16string_view TrimProfileSpace(std::u16string_view text) {
  while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string_view StripQuotes(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& unit : folded) unit = FoldUnit(unit);
  return folded;
}

uint32_t ParseProfileInt(std::u16string_view value) {
  value = value.substr(0, kIntReadLength);
  std::size_t i = 0;
  while (i < value.size() && value[i] <= u' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) {
    negative = value[i] == u'-';
    ++i;
  }
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == u'0') {
    switch (value[i + 1]) {
      case u'x':
        base = 16;
        break;
      case u'o':
        base = 8;
        break;
      case u'b':
        base = 2;
        break;
      default:
        break;
    }
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < value.size(); ++i) {
    const int digit = DigitValue(value[i]);
    if (digit < 0 || static_cast<uint32_t>(digit) >= base) break;
    total = total * base + static_cast<uint32_t>(digit);
  }
  return negative ? 0u - total : total;
}

std::u16string FormatInt(int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string EncodeProfileStruct(std::span<const uint8_t> bytes) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string text;
  text.reserve(bytes.size() * 2 + 2);
  uint8_t sum = 0;
  auto append = [&](uint8_t byte) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0x0F]);
  };
  for (uint8_t byte : bytes) {
    append(byte);
    sum = static_cast<uint8_t>(sum + byte);
  }
  append(sum);
  return text;
}

bool DecodeProfileStruct(std::u16string_view value, std::span<uint8_t> destination) {
  if (value.size() != destination.size() * 2 + 2) return false;
  std::vector<uint8_t> bytes(destination.size() + 1);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(value[2 * i]);
    const int low = HexDigit(value[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  uint8_t sum = 0;
  for (std::size_t i = 0; i < destination.size(); ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  if (sum != bytes.back()) return false;
  std::copy(bytes.begin(), bytes.end() - 1, destination.begin());
  return true;
}

}  // namespace lt260
