#pragma once

#include <string>
#include <string_view>

namespace lt260::win32 {

// Text crosses into the wide Windows functions as UTF-16 in both cases; on
// Windows wchar_t is that same 16-bit unit, so the conversion is a copy that
// also supplies the terminating zero the functions need.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

}  // namespace lt260::win32
