#pragma once

#include <string>
#include <string_view>

#include "text/Utf8.h"

namespace lt260::win32 {

// Text crosses into the wide Windows functions as UTF-16 in both forms: on
// Windows wchar_t is that same 16-bit unit, so a conversion is a copy, or no
// more than a pointer's change of type where a function only reads the text.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

// A copy that also supplies the terminating zero the functions need.
inline std::wstring Wide(std::u16string_view text) {
  return std::wstring(text.begin(), text.end());
}

// The same text as wide characters, for passing a string that holds its own
// terminating zero (a literal, a string's c_str()) to a function that reads it.
inline const wchar_t* AsWide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
// A buffer of the program's text for a wide function to write into.
inline wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// What a wide function wrote, as the program's text.
inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

// UTF-8 of wide text, for messages and program output.
inline std::string Utf8(std::wstring_view text) { return ToUtf8(FromWide(text)); }

}  // namespace lt260::win32
