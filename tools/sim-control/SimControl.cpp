// Drives the simulated mouse of a running simulator build from outside.
//
//   lt260-sim-control [--wait] plug|unplug|press N|refuse N|trace
//
// Finds the window titled "LT-260 Simulated Mouse" and posts it the control
// message. With --wait the message is sent instead, so the tool returns only
// after the mouse has acted on it (at most 10 s). Exit codes: 0 done, 1 no
// such window or the message could not be delivered, 2 bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/SimulatedMouseControl.h"

namespace {

constexpr UINT kSendTimeoutMs = 10000;

int Usage(const char* problem) {
  std::fprintf(stderr,
               "lt260-sim-control: %s\n"
               "usage: lt260-sim-control [--wait] plug|unplug|press N|refuse N|trace\n"
               "  plug, unplug  attach or detach the simulated mouse\n"
               "  press N       press the DPI button, new stage N (0 to 255)\n"
               "  refuse N      refuse the next N feature transfers\n"
               "  trace         write the transfers so far to the trace log\n"
               "  --wait        return only after the mouse has acted\n",
               problem);
  return 2;
}

bool ParseNumber(const char* text, unsigned long maximum, unsigned long& value) {
  if (*text == '\0' || *text == '-' || *text == '+') return false;
  char* end = nullptr;
  value = std::strtoul(text, &end, 0);
  return *end == '\0' && value <= maximum;
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
  } else if (command == "press" || command == "refuse") {
    if (next >= argc) return Usage((command + " needs a number").c_str());
    unsigned long maximum = command == "press" ? 0xFF : 0x7FFFFFFF;
    if (!ParseNumber(argv[next], maximum, parameter)) {
      return Usage((command + ": \"" + argv[next] + "\" is not a number from 0 to " +
                    std::to_string(maximum))
                       .c_str());
    }
    ++next;
    message = command == "press" ? lt260::WM_SIM_PRESS_DPI : lt260::WM_SIM_REFUSE;
  } else {
    return Usage(("unknown command \"" + command + "\"").c_str());
  }
  if (next != argc)
    return Usage(("unexpected argument \"" + std::string(argv[next]) + "\"").c_str());

  HWND window =
      ::FindWindowW(nullptr, reinterpret_cast<const wchar_t*>(lt260::kSimulatedMouseWindowTitle));
  if (window == nullptr) {
    std::fprintf(stderr,
                 "lt260-sim-control: no window titled \"LT-260 Simulated Mouse\": is the "
                 "simulator build (LT260AgentSim.exe) running in this Wine prefix or session?\n");
    return 1;
  }

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
