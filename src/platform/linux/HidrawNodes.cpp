#include "platform/linux/HidrawNodes.h"

#include <libudev.h>

#include <algorithm>
#include <system_error>

namespace lt260 {
namespace {

// hidraw2 before hidraw10: the number after the name, not the text.
bool NodeOrder(const HidrawNode& a, const HidrawNode& b) {
  if (a.DevNode.size() != b.DevNode.size()) return a.DevNode.size() < b.DevNode.size();
  return a.DevNode < b.DevNode;
}

}  // namespace

std::vector<HidrawNode> SysfsHidrawNodes::List() {
  std::vector<HidrawNode> nodes;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(sysRoot_ / "class" / "hidraw", error)) {
    const std::string name = entry.path().filename().string();
    std::error_code ignored;
    std::filesystem::path device = std::filesystem::canonical(entry.path() / "device", ignored);
    if (device.empty()) continue;
    nodes.push_back(HidrawNode{(devRoot_ / name).string(), device});
  }
  std::sort(nodes.begin(), nodes.end(), NodeOrder);
  return nodes;
}

std::vector<HidrawNode> UdevHidrawNodes::List() {
  std::vector<HidrawNode> nodes;
  udev* context = udev_new();
  if (context == nullptr) return nodes;
  udev_enumerate* enumerate = udev_enumerate_new(context);
  if (enumerate != nullptr && udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
      udev_enumerate_scan_devices(enumerate) >= 0) {
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
      udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
      if (device == nullptr) continue;
      // The parent is owned by its child and goes with it.
      udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr);
      const char* devNode = udev_device_get_devnode(device);
      if (hid != nullptr && devNode != nullptr) {
        nodes.push_back(HidrawNode{devNode, udev_device_get_syspath(hid)});
      }
      udev_device_unref(device);
    }
  }
  if (enumerate != nullptr) udev_enumerate_unref(enumerate);
  udev_unref(context);
  std::sort(nodes.begin(), nodes.end(), NodeOrder);
  return nodes;
}

}  // namespace lt260
