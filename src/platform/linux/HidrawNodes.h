#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lt260 {

// One hidraw device node and the HID device it belongs to in sysfs (the
// folder holding that device's `uevent` and `report_descriptor`).
struct HidrawNode {
  std::string DevNode;
  std::filesystem::path HidDevice;
};

// Where the hidraw nodes present now come from.
class HidrawNodeSource {
 public:
  virtual ~HidrawNodeSource() = default;
  virtual std::vector<HidrawNode> List() = 0;
};

// Reads `<sysRoot>/class/hidraw/*/device` directly and names each node
// `<devRoot>/<name>`: the layout the kernel gives sysfs, so a test can point
// it at a fake tree.
class SysfsHidrawNodes final : public HidrawNodeSource {
 public:
  SysfsHidrawNodes(std::filesystem::path sysRoot, std::filesystem::path devRoot)
      : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}
  std::vector<HidrawNode> List() override;

 private:
  std::filesystem::path sysRoot_;
  std::filesystem::path devRoot_;
};

// Asks udev: every device of subsystem "hidraw" with its node and its parent
// of subsystem "hid". Falls back to nothing when udev cannot be reached.
class UdevHidrawNodes final : public HidrawNodeSource {
 public:
  std::vector<HidrawNode> List() override;
};

}  // namespace lt260
