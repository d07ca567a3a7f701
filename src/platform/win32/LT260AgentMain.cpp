// The product: the Agent with the system's HID devices.
#include <windows.h>

#include "platform/win32/AgentProgram.h"
#include "platform/win32/Win32HidBackend.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  lt260::Win32HidBackend hid;
  return lt260::RunAgent(hid, hid);
}
