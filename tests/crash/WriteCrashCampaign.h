#pragma once

// Kills a process that writes the settings file at random moments, over and
// over, and checks after every kill that the file holds exactly what it held
// before the interrupted write or exactly what that write makes of it, and
// that the temporary files of killed writes do not pile up.
//
// The writer is a separate program (SettingsWriterChild) that makes the
// writes of `CrashWriteEdit` one after another through the real store,
// printing "b N" before write N and "e N" after it. Starting, reading and
// killing it is the platform's part, given as a `WriterProcess`.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/IniDocument.h"

namespace lt260::crash {

// The edit of write `index`: every third one a whole profile (all 65 keys of
// a section, with values that differ from the last write of that section),
// the others a single key. Always changes the document.
bool CrashWriteEdit(uint64_t index, IniDocument& document);

class WriterProcess {
 public:
  virtual ~WriterProcess() = default;
  // Starts the writer on `file`, beginning with write `firstIndex`.
  virtual bool Start(const std::filesystem::path& file, uint64_t firstIndex,
                     std::string& error) = 0;
  // Waits until the writer prints something and returns it; empty once its
  // output has ended.
  virtual std::string ReadSome() = 0;
  // Kills the writer at once (SIGKILL, TerminateProcess) and waits until it
  // is gone.
  virtual void Kill() = 0;
};

struct CampaignCounts {
  uint64_t writesBegun = 0;
  uint64_t writesFinished = 0;
  uint64_t kills = 0;
  uint64_t killsDuringWrite = 0;  // after "b N" and before "e N"
  uint64_t keptOldContent = 0;    // a killed write that left the file as it was
  uint64_t keptNewContent = 0;    // a killed write whose new file was in place
  uint64_t mostTemporaryFiles = 0;
};

struct CampaignResult {
  CampaignCounts counts;
  std::vector<std::string> failures;  // empty when every check held
};

struct CampaignPlan {
  uint64_t writes = 1000;  // at least this many writes begun
  uint64_t kills = 250;    // and at least this many kills
  // Each writer begins 1 to this many writes before its kill comes: more
  // where starting a process is slow.
  uint64_t mostWritesPerWriter = 6;
  uint32_t seed = 0;  // makes the kill moments repeatable
};

// `plan` with LT260_CRASH_WRITES and LT260_CRASH_KILLS raised or lowered from
// the environment, and LT260_CRASH_SEED (else a random seed).
CampaignPlan PlanFromEnvironment(CampaignPlan plan);

// Runs rounds (start a writer, let it write, kill it at a random moment,
// check the file) in `folder` until the plan's writes and kills are reached,
// then makes one more write in this process, which must clear every
// temporary file left.
CampaignResult RunWriteCrashCampaign(WriterProcess& writer, const std::filesystem::path& folder,
                                     const CampaignPlan& plan);

std::string Describe(const CampaignCounts& counts);

}  // namespace lt260::crash
