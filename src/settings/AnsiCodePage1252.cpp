// Windows-1252, the ANSI code page of Western Windows systems and of Wine in
// an English locale.
#include "settings/AnsiCodePage.h"

namespace lt260 {
namespace {

// 0x80 to 0x9F. The five bytes the code page leaves undefined map to the C1
// control of the same number, as Windows maps them, so every byte survives a
// decode and an encode unchanged.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::u16string DecodeAnsi(std::span<const uint8_t> bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (uint8_t byte : bytes) {
    text.push_back(byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80]
                                                : static_cast<char16_t>(byte));
  }
  return text;
}

void AppendAnsi(std::u16string_view text, std::vector<uint8_t>& out) {
  out.reserve(out.size() + text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
      out.push_back(static_cast<uint8_t>(unit));
      continue;
    }
    uint8_t byte = '?';
    for (int high = 0; high < 32; ++high) {
      if (kHighControls[high] == unit) byte = static_cast<uint8_t>(0x80 + high);
    }
    // A character outside the basic plane is one character, one '?'.
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;
    out.push_back(byte);
  }
}

}  // namespace lt260
