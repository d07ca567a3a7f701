// A stand-in for the companion library the Agent may ask whether the mouse is
// present. The answer is 1 for the LT-260's second product and vendor
// identifiers and 0 otherwise, unless LT260_COMPANION_RESULT names the answer.
#include <windows.h>

#include <cstdlib>

#include "protocol/DeviceIdentity.h"

namespace {

// The variable is read through the system rather than the C runtime, whose
// copy of the environment misses changes made with SetEnvironmentVariable by
// the program that loaded us.
bool ResultFromEnvironment(int& result) {
  char value[64];
  DWORD length = ::GetEnvironmentVariableA("LT260_COMPANION_RESULT", value, sizeof value);
  if (length == 0) return false;
  if (length >= sizeof value) {
    ::OutputDebugStringA("CheckPidVid.dll: LT260_COMPANION_RESULT is too long; answering 0\n");
    result = 0;
    return true;
  }
  char* end = nullptr;
  long parsed = std::strtol(value, &end, 0);
  if (end == value || *end != '\0') {
    ::OutputDebugStringA("CheckPidVid.dll: LT260_COMPANION_RESULT is not a number; answering 0\n");
    result = 0;
    return true;
  }
  result = static_cast<int>(parsed);
  return true;
}

}  // namespace

extern "C" __declspec(dllexport) int CheckUsbPidVid(int productId, int vendorId) {
  int result = 0;
  if (ResultFromEnvironment(result)) return result;
  return productId == LT260_SECOND_PRODUCT_ID && vendorId == LT260_SECOND_VENDOR_ID ? 1 : 0;
}
