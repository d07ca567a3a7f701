// How long a full load of the settings file takes: it runs at every reload
// request and every opening of the notification menu.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "SampleSettings.h"
#include "cli/SteadyClock.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"

namespace lt260::bench {
namespace {

namespace fs = std::filesystem;

const SampleSettingsFile& Sample() {
  static const SampleSettingsFile sample("lt260-load-settings-bench");
  return sample;
}

// The whole cycle as the agent window runs it: read, validate, the existence
// check, and the three copies.
void BM_LoadSettings(benchmark::State& state) {
  const SampleSettingsFile& sample = Sample();
  if (!sample.Written()) {
    state.SkipWithError("could not write the sample settings file");
    return;
  }
  SettingsFile loaded{};
  SettingsFile applied{};
  ProfileSetting activeProfile{};
  SteadyClock clock;
  for (auto _ : state) {
    LoadSettings(sample.Path(), loaded, applied, activeProfile, clock);
    benchmark::DoNotOptimize(loaded);
    benchmark::DoNotOptimize(activeProfile);
    benchmark::ClobberMemory();
  }
  const SettingsFile expected = SampleSettings();
  if (std::memcmp(&loaded, &expected, sizeof loaded) != 0) {
    state.SkipWithError("the load did not give back the sample");
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(sample.Path()));
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

// The same without the file system: parsing the text and reading the record
// out of it, to show how much of a load is our own work.
void BM_ParseAndReadRecord(benchmark::State& state) {
  const SampleSettingsFile& sample = Sample();
  std::ifstream in(sample.Path(), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  SettingsFile loaded{};
  for (auto _ : state) {
    const IniDocument document = IniDocument::Parse(bytes);
    ReadSettingsFile(document, loaded);
    benchmark::DoNotOptimize(loaded);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ParseAndReadRecord)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lt260::bench
