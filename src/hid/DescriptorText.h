#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lt260 {

// A report descriptor as a file holds it: either the raw bytes, or text with
// one hex byte per token, as C source (`0x05, 0x01,`) or as a dump (`05 01`).
struct DescriptorBytes {
  std::vector<uint8_t> Bytes;
  // Empty when the content was understood; otherwise the problem and its line.
  std::string Error;
  int ErrorLine = 0;
};

// Text is recognised by its characters: only hex digits, 'x', commas and
// white space. A raw descriptor always holds bytes outside that set (its
// item prefixes are control characters), so the two forms cannot be confused.
DescriptorBytes ReadDescriptorContent(std::string_view content);

}  // namespace lt260
