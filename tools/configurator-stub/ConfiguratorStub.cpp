// A stand-in for the Configurator: a hidden window titled "Quendra LT-260" that
// writes down the messages the Agent sends it. Built twice, the second time as
// Gaming.exe, so that the Agent can start it from its own folder; started that
// way it has no arguments and logs through LT260_CONFIGURATOR_LOG or into
// configurator.log beside itself.
#include <windows.h>

#include "PeerWindowStub.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static const lt260::tools::PeerStubConfig config{L"configurator stub", L"Quendra LT-260",
                                                   L"LT260ConfiguratorStub",
                                                   L"LT260_CONFIGURATOR_LOG", L"configurator.log"};
  return lt260::tools::RunPeerStub(config);
}
