#pragma once

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// Arguments of the control programs that drive the simulated and the virtual
// mouse from the command line.
namespace lt260::tools {

// A whole non-negative number (decimal, or hexadecimal with 0x) up to `maximum`.
inline bool ParseNumber(const char* text, unsigned long maximum, unsigned long& value) {
  if (*text == '\0' || *text == '-' || *text == '+') return false;
  char* end = nullptr;
  value = std::strtoul(text, &end, 0);
  return *end == '\0' && value <= maximum;
}

// Exactly two hexadecimal digits: one byte of a report given on the command line.
inline bool ParseHexByte(const char* text, uint8_t& value) {
  if (std::strlen(text) != 2 || !std::isxdigit(static_cast<unsigned char>(text[0])) ||
      !std::isxdigit(static_cast<unsigned char>(text[1]))) {
    return false;
  }
  value = static_cast<uint8_t>(std::strtoul(text, nullptr, 16));
  return true;
}

}  // namespace lt260::tools
