#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ButtonAssignment.h"

namespace lt260::test {

// Bytes written as hex pairs; spaces and '|' separate groups for the reader.
inline std::vector<uint8_t> HexBytes(std::string_view text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) {
      if (c != ' ' && c != '|' && c != '\n') throw std::invalid_argument("bad hex text");
      continue;
    }
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd hex digit count");
  return bytes;
}

inline std::vector<uint8_t> Bytes(std::span<const uint8_t> bytes) {
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

inline std::vector<uint8_t> Slice(std::span<const uint8_t> bytes, std::size_t first,
                                  std::size_t count) {
  return Bytes(bytes.subspan(first, count));
}

// The events of a macro in the order given, the rest of the 92 slots zero.
inline ButtonAssignment MacroAssignment(std::initializer_list<MacroEvent> events,
                                        uint8_t macroMode = 0, uint8_t macroRepeat = 0) {
  ButtonAssignment assignment{};
  assignment.FunctionCode = kMacroFunctionCode;
  assignment.MacroIndex = kNoMacroIndex;
  std::size_t i = 0;
  for (const MacroEvent& event : events) {
    if (i >= static_cast<std::size_t>(kMacroEventCapacity)) break;
    assignment.MacroEvents[i++] = event;
  }
  assignment.MacroEventCount = static_cast<uint8_t>(i);
  assignment.MacroMode = macroMode;
  assignment.MacroRepeat = macroRepeat;
  return assignment;
}

inline MacroEvent Press(uint8_t code) { return MacroEvent{code, 0, 1}; }
inline MacroEvent Release(uint8_t code) { return MacroEvent{code, 0, 0}; }
inline MacroEvent Delay(uint16_t value) { return MacroEvent{kMacroDelayCode, 0, value}; }

}  // namespace lt260::test
