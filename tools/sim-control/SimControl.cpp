// Drives the simulated mouse of a running simulator build from outside.
//
//   lt260-sim-control [--wait] plug|unplug|press N|refuse N|vanish-after N|garbage N|trace
//   lt260-sim-control hold 3|4 HEX...
//
// Finds the window titled "LT-260 Simulated Mouse" and posts it the control
// message. With --wait the message is sent instead, so the tool returns only
// after the mouse has acted on it (at most 10 s). "hold" hands the whole
// report over in WM_COPYDATA, which is always sent. Exit codes: 0 done, 1 no
// such window or the message could not be delivered, 2 bad command line.
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/CommandArguments.h"
#include "platform/win32/SimulatedMouseControl.h"
#include "platform/win32/Win32Text.h"

namespace {

constexpr UINT kSendTimeoutMs = 10000;

int Usage(const char* problem) {
  std::fprintf(stderr,
               "lt260-sim-control: %s\n"
               "usage: lt260-sim-control [--wait] COMMAND\n"
               "  plug, unplug    attach or detach the simulated mouse\n"
               "  press N         press the DPI button, new stage N (0 to 255)\n"
               "  refuse N        refuse the next N feature transfers\n"
               "  vanish-after N  pull the mouse out after the next N feature transfers\n"
               "                  (0 calls it off)\n"
               "  garbage N       send N random input reports of random length and ID\n"
               "                  (1 to %u)\n"
               "  hold 3|4 HEX... answer reads of report 3 or 4 with these bytes: the\n"
               "                  whole report, ID first, each byte two hex digits\n"
               "                  (40 bytes for 3, 2049 for 4)\n"
               "  trace           write the transfers so far to the trace log\n"
               "  --wait          return only after the mouse has acted\n",
               problem, lt260::kMostGarbageReports);
  return 2;
}

using lt260::tools::ParseHexByte;
using lt260::tools::ParseNumber;

// The report of "hold ID HEX...", or a one-line reason in `problem`.
bool ParseHeldReport(int argc, char** argv, int next, std::vector<uint8_t>& report,
                     std::string& problem) {
  if (next >= argc) {
    problem = "hold needs a report ID (3 or 4) and the report's bytes";
    return false;
  }
  const std::string id = argv[next++];
  if (id != "3" && id != "4") {
    problem = "hold: report \"" + id + "\" cannot be held, only 3 (settings) or 4 (buttons)";
    return false;
  }
  const size_t length = id == "3" ? 40 : 2049;
  for (; next < argc; ++next) {
    uint8_t value = 0;
    if (!ParseHexByte(argv[next], value)) {
      problem = "hold: byte " + std::to_string(report.size()) + " \"" + argv[next] +
                "\" is not two hexadecimal digits";
      return false;
    }
    report.push_back(value);
  }
  if (report.size() != length) {
    problem = "hold " + id + ": the report has " + std::to_string(length) + " bytes, " +
              std::to_string(report.size()) + " were given";
    return false;
  }
  if (report[0] != std::stoul(id)) {
    char first[3];
    std::snprintf(first, sizeof first, "%02x", report[0]);
    problem = "hold " + id + ": the first byte is the report ID, 0" + id + ", not " + first;
    return false;
  }
  return true;
}

HWND FindSimulatedMouse() {
  HWND window = ::FindWindowW(nullptr, lt260::win32::AsWide(lt260::kSimulatedMouseWindowTitle));
  if (window == nullptr) {
    std::fprintf(stderr,
                 "lt260-sim-control: no window titled \"LT-260 Simulated Mouse\": is the "
                 "simulator build (LT260AgentSim.exe) running in this Wine prefix or session?\n");
  }
  return window;
}

int HoldReport(const std::string& command, const std::vector<uint8_t>& report) {
  HWND window = FindSimulatedMouse();
  if (window == nullptr) return 1;
  COPYDATASTRUCT data{};
  data.dwData = lt260::kSimHoldReportData;
  data.cbData = static_cast<DWORD>(report.size());
  data.lpData = const_cast<uint8_t*>(report.data());
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
    std::fprintf(stderr, "lt260-sim-control: %s was not answered within %u ms (error %lu)\n",
                 command.c_str(), kSendTimeoutMs, static_cast<unsigned long>(::GetLastError()));
    return 1;
  }
  if (result == 0) {
    std::fprintf(stderr, "lt260-sim-control: the simulated mouse did not take the report\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int next = 1;
  bool wait = false;
  if (next < argc && std::strcmp(argv[next], "--wait") == 0) {
    wait = true;
    ++next;
  }
  if (next >= argc) return Usage("no command given");
  std::string command = argv[next++];

  UINT message = 0;
  unsigned long parameter = 0;
  if (command == "plug") {
    message = lt260::WM_SIM_PLUG;
  } else if (command == "unplug") {
    message = lt260::WM_SIM_UNPLUG;
  } else if (command == "trace") {
    message = lt260::WM_SIM_WRITE_TRACE;
  } else if (command == "hold") {
    if (wait) return Usage("hold always waits; --wait is not for it");
    std::vector<uint8_t> report;
    std::string problem;
    if (!ParseHeldReport(argc, argv, next, report, problem)) return Usage(problem.c_str());
    return HoldReport(command, report);
  } else if (command == "press" || command == "refuse" || command == "vanish-after" ||
             command == "garbage") {
    if (next >= argc) return Usage((command + " needs a number").c_str());
    unsigned long minimum = command == "garbage" ? 1 : 0;
    unsigned long maximum = command == "press"     ? 0xFF
                            : command == "garbage" ? lt260::kMostGarbageReports
                                                   : 0x7FFFFFFF;
    if (!ParseNumber(argv[next], maximum, parameter) || parameter < minimum) {
      return Usage((command + ": \"" + argv[next] + "\" is not a number from " +
                    std::to_string(minimum) + " to " + std::to_string(maximum))
                       .c_str());
    }
    ++next;
    message = command == "press"          ? lt260::WM_SIM_PRESS_DPI
              : command == "refuse"       ? lt260::WM_SIM_REFUSE
              : command == "vanish-after" ? lt260::WM_SIM_VANISH_AFTER
                                          : lt260::WM_SIM_GARBAGE;
  } else {
    return Usage(("unknown command \"" + command + "\"").c_str());
  }
  if (next != argc)
    return Usage(("unexpected argument \"" + std::string(argv[next]) + "\"").c_str());

  HWND window = FindSimulatedMouse();
  if (window == nullptr) return 1;

  if (!wait) {
    if (!::PostMessageW(window, message, parameter, 0)) {
      std::fprintf(stderr, "lt260-sim-control: could not post %s to the window (error %lu)\n",
                   command.c_str(), static_cast<unsigned long>(::GetLastError()));
      return 1;
    }
    return 0;
  }
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, message, parameter, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result)) {
    std::fprintf(stderr, "lt260-sim-control: %s was not answered within %u ms (error %lu)\n",
                 command.c_str(), kSendTimeoutMs, static_cast<unsigned long>(::GetLastError()));
    return 1;
  }
  if (result == 0) {
    // Not a failure: plugging a plugged-in mouse, for one, changes nothing.
    std::printf("lt260-sim-control: %s changed nothing\n", command.c_str());
  }
  return 0;
}
