#include "platform/linux/HidrawInterfaces.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace lt260 {
namespace {

struct HidIdentity {
  uint16_t VendorId = 0;
  uint16_t ProductId = 0;
};

std::optional<HidIdentity> ReadIdentity(const std::filesystem::path& uevent) {
  std::ifstream in(uevent);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("HID_ID=", 0) != 0) continue;
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    if (std::sscanf(line.c_str() + 7, "%x:%x:%x", &bus, &vendor, &product) != 3) return {};
    if (vendor > 0xFFFF || product > 0xFFFF) return {};
    return HidIdentity{static_cast<uint16_t>(vendor), static_cast<uint16_t>(product)};
  }
  return {};
}

std::optional<std::vector<uint8_t>> ReadDescriptor(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::vector<uint8_t> bytes(kMaxDescriptorFileBytes + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto count = static_cast<std::size_t>(in.gcount());
  if (count > kMaxDescriptorFileBytes) return {};
  bytes.resize(count);
  return bytes;
}

std::string CollectionSuffix(std::size_t index) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "&col%02zu", index + 1);
  return suffix;
}

}  // namespace

std::vector<HidrawInterface> ReadHidrawInterfaces(const std::vector<HidrawNode>& nodes) {
  std::vector<HidrawInterface> interfaces;
  for (const HidrawNode& node : nodes) {
    HidrawInterface base;
    base.Path = node.DevNode;
    base.DevNode = node.DevNode;
    const auto identity = ReadIdentity(node.HidDevice / "uevent");
    if (!identity) {
      base.Problem = "no HID_ID in " + (node.HidDevice / "uevent").string();
      interfaces.push_back(base);
      continue;
    }
    base.VendorId = identity->VendorId;
    base.ProductId = identity->ProductId;
    const auto descriptor = ReadDescriptor(node.HidDevice / "report_descriptor");
    if (!descriptor) {
      base.Problem = "cannot read " + (node.HidDevice / "report_descriptor").string();
      interfaces.push_back(base);
      continue;
    }
    const DescriptorParse parse = ParseReportDescriptor(*descriptor);
    if (!parse.Ok() || parse.Collections.empty()) {
      base.Problem = parse.Ok() ? "report descriptor without collections"
                                : "report descriptor: " + parse.Error + " at byte " +
                                      std::to_string(parse.ErrorOffset);
      interfaces.push_back(base);
      continue;
    }
    for (std::size_t i = 0; i < parse.Collections.size(); ++i) {
      HidrawInterface collection = base;
      collection.Caps = parse.Collections[i];
      if (parse.Collections.size() > 1) collection.Path += CollectionSuffix(i);
      interfaces.push_back(std::move(collection));
    }
  }
  return interfaces;
}

}  // namespace lt260
