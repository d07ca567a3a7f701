#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hid/ReportDescriptor.h"
#include "platform/linux/HidrawNodes.h"

namespace lt260 {

// One top-level collection of a hidraw node, as the HID port presents it: a
// node with several collections gives several interfaces on the same node,
// as Windows gives one device interface per collection.
struct HidrawInterface {
  // The node itself for a node with one collection; "<node>&colNN" (NN from
  // 01) for each collection of a node with several.
  std::string Path;
  std::string DevNode;
  uint16_t VendorId = 0;
  uint16_t ProductId = 0;
  CollectionCaps Caps;
  // Set when the node's identity or descriptor could not be read or parsed;
  // the interface is then listed with no reports, so nothing chooses it.
  std::string Problem;
};

// Reads vendor and product from the HID device's `uevent` (HID_ID=bus:vendor:product)
// and the collections from its `report_descriptor`.
std::vector<HidrawInterface> ReadHidrawInterfaces(const std::vector<HidrawNode>& nodes);

// The descriptor file is read up to this size; the kernel's own limit is 4096.
inline constexpr std::size_t kMaxDescriptorFileBytes = 65536;

}  // namespace lt260
