// The simulator build: the Agent with the simulated mouse as its only HID
// device, driven from outside through the "LT-260 Simulated Mouse" window.
// LT260_SIM_UNPLUGGED=1 starts it with the mouse detached.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/win32/AgentProgram.h"
#include "platform/win32/SimulatedMouseControl.h"
#include "protocol/DeviceIdentity.h"
#include "sim/SimulatedMouse.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  lt260::SimulatedMouseConfig config;
  // The LT-260 answers with the second accepted vendor and product, so it is
  // found only once the Agent has set them.
  config.Interfaces = lt260::LT260Interfaces(lt260::kSecondVendorId, lt260::kSecondProductId);
  const char* unplugged = std::getenv("LT260_SIM_UNPLUGGED");
  config.PluggedIn = !(unplugged != nullptr && std::strcmp(unplugged, "1") == 0);
  lt260::SimulatedMouse mouse(config);
  lt260::SimulatedMouseControl control(mouse);
  return lt260::RunAgent(mouse, mouse);
}
