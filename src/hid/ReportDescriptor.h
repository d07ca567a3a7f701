#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lt260 {

// What a system's HID class driver makes of one top-level collection: its
// usage and the length in bytes of its longest input, output and feature
// report. A length counts the report-ID byte, which travels as the first byte
// of every report even when the device numbers none of its reports (it is 0
// then); a kind of report the collection does not have has length 0.
struct CollectionCaps {
  uint16_t UsagePage = 0;
  uint16_t Usage = 0;
  int InputReportLength = 0;
  int OutputReportLength = 0;
  int FeatureReportLength = 0;
  // The report IDs of the collection's input reports (0 when unnumbered), so
  // a reader of a device with several collections can tell whose report it got.
  std::vector<uint8_t> InputReportIds;
  // True when the collection's reports carry IDs on the wire.
  bool NumberedReports = false;
};

struct DescriptorParse {
  // Every top-level collection, in descriptor order.
  std::vector<CollectionCaps> Collections;
  // Empty when the descriptor is sound; otherwise what is wrong with it and
  // where, and Collections is empty.
  std::string Error;
  std::size_t ErrorOffset = 0;

  bool Ok() const { return Error.empty(); }
};

// Bounds that keep a hostile descriptor from costing more than its length.
inline constexpr int kMaxCollectionDepth = 32;
inline constexpr int kMaxGlobalStackDepth = 32;
inline constexpr int kMaxTopLevelCollections = 255;
// The longest report the lengths can describe: they are 16-bit values.
inline constexpr uint64_t kMaxReportBytes = 0xFFFF;

// Reads a HID report descriptor item by item and computes each top-level
// collection's report lengths the way the Windows HID parser does: per report
// ID, the bits of every Input, Output or Feature item (Report Size times Report
// Count, constants included) add up; a report's length is those bits rounded
// up to whole bytes plus the report-ID byte; each kind's length is that of its
// longest report.
DescriptorParse ParseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace lt260
