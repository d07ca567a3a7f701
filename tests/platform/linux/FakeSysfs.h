#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace lt260::test {

// A sysfs tree as the kernel lays out hidraw nodes (class/hidraw/<name>/device
// linking to the HID device's folder with its uevent and report_descriptor),
// and a device folder whose nodes are named pipes: they open read-write like
// a hidraw node, and what a test writes to them is what a read returns.
class FakeSysfs {
 public:
  std::filesystem::path SysRoot() const { return dir_ / "sys"; }
  std::filesystem::path DevRoot() const { return dir_ / "dev"; }

  // Adds hidraw<number> for a HID device with these ids and descriptor.
  void AddNode(int number, uint16_t vendor, uint16_t product,
               const std::vector<uint8_t>& descriptor, bool withNode = true) {
    char hidName[32];
    std::snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", vendor, product, number);
    const auto hid = SysRoot() / "devices" / "usb1" / hidName;
    std::filesystem::create_directories(hid);
    char uevent[96];
    std::snprintf(uevent, sizeof uevent, "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\n", vendor,
                  product);
    WriteBytes(hid / "uevent", uevent);
    WriteBytes(hid / "report_descriptor", std::string(descriptor.begin(), descriptor.end()));
    const std::string name = "hidraw" + std::to_string(number);
    const auto classEntry = SysRoot() / "class" / "hidraw" / name;
    std::filesystem::create_directories(classEntry);
    std::filesystem::create_directory_symlink(hid, classEntry / "device");
    std::filesystem::create_directories(DevRoot());
    if (withNode) ::mkfifo((DevRoot() / name).c_str(), 0600);
  }
  std::filesystem::path HidDevice(int number) const {
    return std::filesystem::canonical(SysRoot() / "class" / "hidraw" /
                                      ("hidraw" + std::to_string(number)) / "device");
  }
  std::string Node(int number) const {
    return (DevRoot() / ("hidraw" + std::to_string(number))).string();
  }

 private:
  TempDir dir_;
};

}  // namespace lt260::test
