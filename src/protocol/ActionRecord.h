#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/LittleEndian.h"

namespace lt260 {

inline constexpr std::size_t kActionRecordLength = 10;

// Record kinds, the high three bits of byte 0. The low bits carry the button
// number (1 to 7).
inline constexpr uint8_t kKindMouseDown = 0x20;
inline constexpr uint8_t kKindDeviceFunction = 0x40;
inline constexpr uint8_t kKindKeyboard = 0x60;
inline constexpr uint8_t kKindBitMask = 0x80;
inline constexpr uint8_t kKindMouseUp = 0xA0;
// A movement step of a bullet macro: the mouse may hold these, the encoders
// never write them.
inline constexpr uint8_t kKindMovement = 0xC0;

// One 10-byte step of the button-assignment report. Every field is a byte, so
// the record has no padding and converts to and from its wire bytes with
// bit_cast.
struct ActionRecord {
  uint8_t KindAndButton;  // kind in bits 5..7, button number in bits 0..2
  uint8_t Argument1;      // button mask, modifier bits, selector or bit mask
  uint8_t Argument2;      // key usage
  uint8_t Argument3;      // second bit mask
  std::array<uint8_t, 3> Reserved;
  uint8_t Mode;                  // mode byte of a macro record, 0 in fixed-function records
  std::array<uint8_t, 2> Delay;  // little-endian delay after the step

  // The kind as the read-back sees it: the whole high nibble.
  constexpr uint8_t Kind() const { return static_cast<uint8_t>(KindAndButton & 0xF0); }
  constexpr uint16_t DelayValue() const { return LoadLe16(std::span<const uint8_t, 2>(Delay)); }
  constexpr void SetDelay(uint16_t value) { StoreLe16(std::span<uint8_t, 2>(Delay), value); }
};

using ActionRecordBytes = std::array<uint8_t, kActionRecordLength>;

static_assert(sizeof(ActionRecord) == kActionRecordLength);
static_assert(alignof(ActionRecord) == 1);
static_assert(offsetof(ActionRecord, Argument1) == 1);
static_assert(offsetof(ActionRecord, Argument2) == 2);
static_assert(offsetof(ActionRecord, Argument3) == 3);
static_assert(offsetof(ActionRecord, Mode) == 7);
static_assert(offsetof(ActionRecord, Delay) == 8);

// The record stored at `bytes`, which must hold at least 10 bytes.
constexpr ActionRecord LoadActionRecord(std::span<const uint8_t, kActionRecordLength> bytes) {
  ActionRecordBytes copy{};
  for (std::size_t i = 0; i < kActionRecordLength; ++i) copy[i] = bytes[i];
  return std::bit_cast<ActionRecord>(copy);
}

constexpr void StoreActionRecord(std::span<uint8_t, kActionRecordLength> bytes,
                                 const ActionRecord& record) {
  const auto copy = std::bit_cast<ActionRecordBytes>(record);
  for (std::size_t i = 0; i < kActionRecordLength; ++i) bytes[i] = copy[i];
}

}  // namespace lt260
