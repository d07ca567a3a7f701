// What one write to the settings file costs, and how much of it is flushing
// the new file to the disk before it replaces the old one. The figures are
// those of the disk that holds the sample (see SampleSettingsFile).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "SampleSettings.h"
#include "cli/SteadyClock.h"
#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"

namespace lt260::bench {
namespace {

namespace fs = std::filesystem;

// One key, as the DPI button and the presence flag write it. Each write
// changes the value, so that every one replaces the file.
void BM_WriteOneKey(benchmark::State& state) {
  SampleSettingsFile sample("lt260-write-settings-bench");
  if (!sample.Written()) return state.SkipWithError("could not write the sample settings file");
  SteadyClock clock;
  IniFile file(sample.Path(), clock);
  int32_t value = 0;
  for (auto _ : state) {
    if (!file.WriteInt(u"Setting", u"Device", value ^= 1)) {
      return state.SkipWithError("a write failed");
    }
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(sample.Path()));
}
BENCHMARK(BM_WriteOneKey)->Unit(benchmark::kMicrosecond);

// A whole profile, as the read-back after the mouse arrives writes it.
void BM_WriteWholeProfile(benchmark::State& state) {
  SampleSettingsFile sample("lt260-write-settings-bench");
  if (!sample.Written()) return state.SkipWithError("could not write the sample settings file");
  ProfileSetting profile = SampleSettings().Profiles[0];
  SteadyClock clock;
  for (auto _ : state) {
    profile.DPI_Cur = profile.DPI_Cur == 1 ? 2 : 1;
    if (!WriteProfileSetting(sample.Path(), 0, profile, clock)) {
      return state.SkipWithError("a write failed");
    }
  }
}
BENCHMARK(BM_WriteWholeProfile)->Unit(benchmark::kMicrosecond);

// The one-key write without flushing anything: the same read, edit and
// replacement through a temporary file, with the C++ library's plain file
// writes. The difference to BM_WriteOneKey is what flushing costs.
void BM_WriteOneKeyWithoutFlushing(benchmark::State& state) {
  SampleSettingsFile sample("lt260-write-settings-bench");
  if (!sample.Written()) return state.SkipWithError("could not write the sample settings file");
  const fs::path temporary = sample.Path().string() + "~unflushed.tmp";
  int32_t value = 0;
  for (auto _ : state) {
    std::ifstream in(sample.Path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    IniDocument document = IniDocument::Parse(bytes);
    document.WriteInt(u"Setting", u"Device", value ^= 1);
    const std::vector<uint8_t> text = document.Serialize();
    std::ofstream(temporary, std::ios::binary)
        .write(reinterpret_cast<const char*>(text.data()),
               static_cast<std::streamsize>(text.size()));
    fs::rename(temporary, sample.Path());
  }
}
BENCHMARK(BM_WriteOneKeyWithoutFlushing)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lt260::bench
