#pragma once

#include <filesystem>
#include <string>

#include "settings/SettingsFile.h"

namespace lt260::bench {

// A settings record a long-time user might have: six profiles in a shuffled
// map, every value away from its default, names and paths filled in and every
// button holding a macro, so that a load reads a full-sized file and finds
// every key.
SettingsFile SampleSettings();

// The sample written by our own writer as "GamingMouse" into a new folder of
// the given name below LT260_BENCH_FOLDER (else the system's temporary
// folder, so the figures are those of that disk), removed with the object.
class SampleSettingsFile {
 public:
  explicit SampleSettingsFile(const std::string& folderName);
  ~SampleSettingsFile();
  SampleSettingsFile(const SampleSettingsFile&) = delete;
  SampleSettingsFile& operator=(const SampleSettingsFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  bool Written() const { return written_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path path_;
  bool written_ = false;
};

}  // namespace lt260::bench
