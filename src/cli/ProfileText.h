#pragma once

#include <string>

namespace lt260 {

// INI text (sections of key=value lines) as one JSON object of sections, each
// an object of its keys in file order: whole numbers as numbers, everything
// else as strings (one pair of surrounding quotes removed; bytes above 0x7F
// taken as Windows-1252's Latin-1 range).
std::string IniTextToJson(const std::string& text);

}  // namespace lt260
