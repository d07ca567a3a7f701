// A stand-in for the on-screen display: a hidden window titled "OSDMain" that
// writes down the messages it receives. The Agent posts it WM_DESTROY and then
// WM_CLOSE when it ends; the posted WM_DESTROY is only logged, WM_CLOSE ends
// the stub.
#include <windows.h>

#include "PeerWindowStub.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static const lt260::tools::PeerStubConfig config{L"OSD stub", L"OSDMain", L"LT260OsdStub",
                                                   L"LT260_OSD_LOG", L"osd.log"};
  return lt260::tools::RunPeerStub(config);
}
