#pragma once

#include <string>
#include <string_view>

namespace lt260 {

// The program keeps text as UTF-16 (the settings file's and the system's
// form); messages, program output and Linux paths are UTF-8. Both
// conversions replace what is malformed (a lone surrogate; a byte sequence
// that is not UTF-8) with U+FFFD, as the system's own conversions do, and
// never fail.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace lt260
