// lt260-virtual-mouse: installs and drives the virtual LT-260 in the HID stack
// of this system (a Wine prefix, or Windows with test signing).
//
//   lt260-virtual-mouse install | uninstall | plug | unplug | plug-other |
//                       unplug-other | press N | refuse N | hold 3 HEX... |
//                       hold 4 HEX... | trace FILE
//
// The driver and its INF are taken from this program's folder. Exit codes: 0
// done, 1 the system or the driver said no, 2 bad command line; every failure
// prints one line saying why.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "VirtualMouse.h"
#include "common/CommandArguments.h"

namespace {

constexpr char kUsage[] =
    "usage: lt260-virtual-mouse install | uninstall | plug | unplug | plug-other |\n"
    "                           unplug-other | press N | refuse N | hold 3 HEX... |\n"
    "                           hold 4 HEX... | trace FILE\n"
    "  install     install the driver and plug in a mouse programmed with the default profile\n"
    "  uninstall   remove the mouse, the unrelated device and the control interface\n"
    "  plug        plug the mouse in (its four interfaces)\n"
    "  unplug      unplug it\n"
    "  plug-other  plug in an unrelated device (vendor 1209, product 0001) beside the mouse\n"
    "  unplug-other  unplug the unrelated device\n"
    "  press N     press the DPI button, new stage N (0 to 255)\n"
    "  refuse N    refuse the next N feature transfers\n"
    "  hold 3|4 HEX...  the mouse holds this report (40 or 2049 bytes, ID first)\n"
    "  trace FILE  append the transfers the mouse saw since the last trace to FILE\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "lt260-virtual-mouse: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

int Failed(const std::string& reason) {
  std::fprintf(stderr, "lt260-virtual-mouse: %s\n", reason.c_str());
  return 1;
}

using lt260::tools::ParseHexByte;
using lt260::tools::ParseNumber;

std::filesystem::path ProgramFolder() {
  std::vector<wchar_t> name(32768);
  DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
  return std::filesystem::path(std::wstring(name.data(), length)).parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("no command given");
  const std::string command = argv[1];
  const int extra = argc - 2;
  lt260::vmouse::VirtualMouse mouse(ProgramFolder());
  std::string error;

  if (command == "install" || command == "uninstall") {
    if (extra != 0) return Usage(command + " takes no arguments");
    const bool ok = command == "install" ? mouse.Install(error) : mouse.Uninstall(error);
    return ok ? 0 : Failed(command + ": " + error);
  }
  if (command == "plug" || command == "unplug" || command == "plug-other" ||
      command == "unplug-other") {
    if (extra != 0) return Usage(command + " takes no arguments");
    bool changed = false;
    const bool ok = command == "plug"         ? mouse.Plug(changed, error)
                    : command == "unplug"     ? mouse.Unplug(changed, error)
                    : command == "plug-other" ? mouse.PlugOther(changed, error)
                                              : mouse.UnplugOther(changed, error);
    if (!ok) return Failed(command + ": " + error);
    // Not a failure, as for the simulated mouse's control: plugging a
    // plugged-in mouse changes nothing.
    if (!changed) std::printf("lt260-virtual-mouse: %s changed nothing\n", command.c_str());
    return 0;
  }
  if (command == "press" || command == "refuse") {
    if (extra != 1) return Usage(command + " takes one number");
    const unsigned long maximum = command == "press" ? 0xFF : 0x7FFFFFFF;
    unsigned long value = 0;
    if (!ParseNumber(argv[2], maximum, value)) {
      return Usage(command + ": \"" + argv[2] + "\" is not a number from 0 to " +
                   std::to_string(maximum));
    }
    const bool ok = command == "press" ? mouse.Press(static_cast<uint8_t>(value), error)
                                       : mouse.Refuse(static_cast<uint32_t>(value), error);
    return ok ? 0 : Failed(command + ": " + error);
  }
  if (command == "hold") {
    if (extra < 2) return Usage("hold takes 3 or 4 and then the report's bytes");
    const std::string which = argv[2];
    if (which != "3" && which != "4") return Usage("hold: \"" + which + "\" is not 3 or 4");
    std::vector<uint8_t> report;
    for (int i = 3; i < argc; ++i) {
      uint8_t value = 0;
      if (!ParseHexByte(argv[i], value)) {
        return Usage("hold: \"" + std::string(argv[i]) + "\" is not a two-digit hex byte");
      }
      report.push_back(value);
    }
    if (report[0] != std::stoi(which)) {
      return Usage("hold " + which + ": the first byte is the report ID, " + which);
    }
    return mouse.Hold(report, error) ? 0 : Failed("hold: " + error);
  }
  if (command == "trace") {
    if (extra != 1) return Usage("trace takes one file name");
    std::vector<std::string> lines;
    const bool taken = mouse.TakeTrace(lines, error);
    std::ofstream file(argv[2], std::ios::binary | std::ios::app);
    for (const std::string& line : lines) file << line << "\n";
    file.flush();
    if (!file) return Failed(std::string("trace: cannot append to ") + argv[2]);
    return taken ? 0 : Failed("trace: " + error);
  }
  return Usage("unknown command \"" + command + "\"");
}
