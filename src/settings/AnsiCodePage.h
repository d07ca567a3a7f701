#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lt260 {

// The system's ANSI code page, in which the private-profile functions read a
// file without a byte-order mark and write every new file.
std::u16string DecodeAnsi(std::span<const uint8_t> bytes);
// Characters the code page cannot hold become '?'.
void AppendAnsi(std::u16string_view text, std::vector<uint8_t>& out);

}  // namespace lt260
