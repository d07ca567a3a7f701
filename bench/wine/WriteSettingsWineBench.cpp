// Times one write to a six-profile settings file in the Windows build two
// ways: our store's write, which replaces the file through a temporary file
// flushed with FlushFileBuffers, and the private-profile function's write,
// which edits the file in place without flushing. Prints microseconds per
// write.
//
//   WriteSettingsWineBench [writes per measurement, default 200]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "SampleSettings.h"
#include "cli/SteadyClock.h"
#include "settings/IniFile.h"

namespace {

namespace fs = std::filesystem;

template <typename Write>
double MicrosecondsPerWrite(int writes, Write write) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < writes; ++i) {
    if (!write(i)) {
      std::fprintf(stderr, "write %d failed\n", i);
      std::exit(1);
    }
  }
  const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
  return took.count() / writes;
}

}  // namespace

int main(int argc, char** argv) {
  const int writes = argc > 1 ? std::atoi(argv[1]) : 200;
  if (writes <= 0) {
    std::fprintf(stderr, "usage: %s [writes per measurement]\n", argv[0]);
    return 2;
  }
  const lt260::bench::SampleSettingsFile sample("lt260-write-settings-bench");
  if (!sample.Written()) {
    std::fprintf(stderr, "could not write the sample settings file\n");
    return 1;
  }
  const fs::path& path = sample.Path();
  lt260::SteadyClock clock;
  lt260::IniFile store(path, clock);
  const double ours = MicrosecondsPerWrite(
      writes, [&](int i) { return store.WriteInt(u"Setting", u"Device", i & 1); });
  const double windows = MicrosecondsPerWrite(writes, [&](int i) {
    return WritePrivateProfileStringW(L"Setting", L"Device", i & 1 ? L"1" : L"0", path.c_str()) !=
           FALSE;
  });
  std::printf("file of %ju bytes, %d writes of one key each\n",
              static_cast<uintmax_t>(fs::file_size(path)), writes);
  std::printf("our store (temporary file, FlushFileBuffers, replace): %8.0f us per write\n", ours);
  std::printf("WritePrivateProfileStringW (in place, no flush):      %8.0f us per write\n",
              windows);
  return 0;
}
