// How long programming the mouse and reading it back keep the agent window
// busy, with the simulated mouse and the real clock: the firmware asks for
// 300 ms between the two reports, and everything else should be noise beside it.
#include <benchmark/benchmark.h>

#include <memory>

#include "cli/SteadyClock.h"
#include "device/DeviceSync.h"
#include "device/ProfileSending.h"
#include "sim/SimulatedMouse.h"
#include "support/RecordingPorts.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

struct Session {
  SimulatedMouse mouse;
  test::RecordingDebugOutput debug;
  HidChannel channel{mouse, debug};
  SteadyClock clock;
};

void BM_SendProfileReports(benchmark::State& state) {
  Session session;
  ProfileSetting profile = DefaultProfileSetting();
  for (auto _ : state) {
    if (!SendProfileReports(session.channel, profile, session.clock))
      state.SkipWithError("refused");
  }
}
BENCHMARK(BM_SendProfileReports)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SyncFromDevice(benchmark::State& state) {
  Session session;
  test::TempDir dir;
  auto loaded = std::make_unique<SettingsFile>();
  loaded->Global = DefaultGlobalSetting();
  for (ProfileSetting& profile : loaded->Profiles) profile = DefaultProfileSetting();
  ProfileSetting active = loaded->Profiles[0];
  const std::filesystem::path settingsPath = dir / "GamingMouse";
  const std::filesystem::path bulletPath = dir / "BulletSetting";
  std::optional<uint32_t> lastSyncTick;
  DeviceSyncTarget target{session.channel, session.clock, *loaded,     active,
                          settingsPath,    bulletPath,    lastSyncTick};
  for (auto _ : state) {
    lastSyncTick.reset();  // every run a full one, past the one-second debounce
    if (SyncFromDevice(target) != SyncOutcome::Read) state.SkipWithError("mouse not read");
  }
}
BENCHMARK(BM_SyncFromDevice)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace lt260
