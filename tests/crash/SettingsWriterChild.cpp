// The writer the crash test kills: makes the test's writes one after another
// through the real store, saying "b N" before write N and "e N" after it
// (or "f N" if the store refused it), until it is killed.
//
//   SettingsWriterChild FILE FIRST-INDEX
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/SteadyClock.h"
#include "crash/WriteCrashCampaign.h"
#include "settings/IniFile.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FILE FIRST-INDEX\n", argv[0]);
    return 2;
  }
  lt260::SteadyClock clock;
  lt260::IniFile file{std::filesystem::path(argv[1]), clock};
  const uint64_t first = std::strtoull(argv[2], nullptr, 10);
  // Bounded, should the test that kills it be gone.
  for (uint64_t index = first; index < first + 100000; ++index) {
    std::printf("b %llu\n", static_cast<unsigned long long>(index));
    std::fflush(stdout);
    const bool written = file.Update([&](lt260::IniDocument& document, lt260::IniFile::LoadStatus) {
      return lt260::crash::CrashWriteEdit(index, document);
    });
    std::printf("%c %llu\n", written ? 'e' : 'f', static_cast<unsigned long long>(index));
    std::fflush(stdout);
    if (!written) return 1;
  }
  return 0;
}
