#include "crash/WriteCrashCampaign.h"

#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <thread>

#include "cli/SteadyClock.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "settings/StoreFileAccess.h"

namespace lt260::crash {
namespace fs = std::filesystem;
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Apply(uint64_t index, const Bytes& before) {
  IniDocument document = IniDocument::Parse(before);
  CrashWriteEdit(index, document);
  return document.Serialize();
}

// Everything in the campaign's own folder but the settings file is left over
// from a write.
size_t TemporaryFilesIn(const fs::path& folder) {
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() != "GamingMouse") ++count;
  }
  return count;
}

// What the writer said: the last write begun and the last one finished.
struct Progress {
  bool begun = false;
  uint64_t lastBegun = 0;
  bool finished = false;
  uint64_t lastFinished = 0;
  uint64_t beginLines = 0;
  std::string failedLine;  // a write the store refused
};

void ReadLines(std::string& pending, Progress& progress) {
  size_t end;
  while ((end = pending.find('\n')) != std::string::npos) {
    std::string line = pending.substr(0, end);
    pending.erase(0, end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 3) continue;
    const uint64_t index = std::stoull(line.substr(2));
    if (line[0] == 'b') {
      progress.begun = true;
      progress.lastBegun = index;
      ++progress.beginLines;
    } else if (line[0] == 'e') {
      progress.finished = true;
      progress.lastFinished = index;
    } else {
      progress.failedLine = line;
    }
  }
}

uint64_t FromEnvironment(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

}  // namespace

CampaignPlan PlanFromEnvironment(CampaignPlan plan) {
  plan.writes = FromEnvironment("LT260_CRASH_WRITES", plan.writes);
  plan.kills = FromEnvironment("LT260_CRASH_KILLS", plan.kills);
  plan.seed = static_cast<uint32_t>(FromEnvironment("LT260_CRASH_SEED", std::random_device{}()));
  return plan;
}

bool CrashWriteEdit(uint64_t index, IniDocument& document) {
  const int section = static_cast<int>(index % 6);
  const int32_t value = static_cast<int32_t>(index % 1000000) + 1;
  if (index % 3 != 0) {
    return document.WriteInt(ProfileSectionName(section), u"DPI_Cur", value);
  }
  ProfileSetting profile = DefaultProfileSetting();
  for (int i = 0; i < kDpiStageCount; ++i) profile.DPI_Value[i] = value + i;
  profile.light_Color[0] = value;
  WriteProfileSetting(document, section, profile);
  return true;
}

CampaignResult RunWriteCrashCampaign(WriterProcess& writer, const fs::path& folder,
                                     const CampaignPlan& plan) {
  CampaignResult result;
  CampaignCounts& counts = result.counts;
  auto fail = [&](const std::string& text) { result.failures.push_back(text); };
  const fs::path file = folder / "GamingMouse";
  SettingsFile loaded{}, applied{};
  ProfileSetting active{};
  SteadyClock clock;
  LoadSettings(file, loaded, applied, active, clock);  // creates the six-profile file

  std::mt19937 random(plan.seed);
  // Writes vary in length with the disk; the kill moments are spread over the
  // time one write took lately, so that most land inside a write.
  std::chrono::microseconds writeTime{500};
  uint64_t next = 1;
  while ((counts.writesBegun < plan.writes || counts.kills < plan.kills) &&
         result.failures.size() < 5) {
    Bytes before;
    if (ReadWholeFile(file, before) != FileReadStatus::Read) {
      fail("the settings file cannot be read before a round");
      break;
    }
    std::string error;
    if (!writer.Start(file, next, error)) {
      fail("could not start the writer: " + error);
      break;
    }
    // Let it begin a few writes, then wait a random part of a write.
    const uint64_t beginsBeforeKill =
        std::uniform_int_distribution<uint64_t>(1, plan.mostWritesPerWriter)(random);
    Progress progress;
    std::string pending;
    auto lastBegin = std::chrono::steady_clock::now();
    while (progress.beginLines < beginsBeforeKill) {
      std::string output = writer.ReadSome();
      if (output.empty()) break;
      pending += output;
      const uint64_t beginsBefore = progress.beginLines;
      ReadLines(pending, progress);
      if (progress.beginLines > beginsBefore) {
        const auto now = std::chrono::steady_clock::now();
        if (beginsBefore > 0) {
          const auto took = std::chrono::duration_cast<std::chrono::microseconds>(now - lastBegin);
          const auto writesSeen = static_cast<int64_t>(progress.beginLines - beginsBefore);
          writeTime = (writeTime * 3 + took / writesSeen) / 4;
        }
        lastBegin = now;
      }
    }
    const int64_t waitLimit = std::max<int64_t>(1, writeTime.count() * 5 / 4);
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int64_t>(0, waitLimit)(random)));
    writer.Kill();
    ++counts.kills;
    for (std::string output; !(output = writer.ReadSome()).empty();) pending += output;
    ReadLines(pending, progress);
    if (!progress.failedLine.empty()) fail("the store refused a write: " + progress.failedLine);
    if (!progress.begun) continue;  // killed before its first write

    // The writes that ran: next .. lastBegun; all but the last one finished.
    const uint64_t last = progress.lastBegun;
    counts.writesBegun += last - next + 1;
    const bool lastFinished = progress.finished && progress.lastFinished == last;
    counts.writesFinished += last - next + (lastFinished ? 1 : 0);
    if (!lastFinished) ++counts.killsDuringWrite;
    Bytes beforeLast = before;
    for (uint64_t index = next; index < last; ++index) beforeLast = Apply(index, beforeLast);
    const Bytes afterLast = Apply(last, beforeLast);

    Bytes now;
    if (ReadWholeFile(file, now) != FileReadStatus::Read) {
      fail("after a kill during write " + std::to_string(last) + " the file cannot be read");
      break;
    }
    if (now == afterLast) {
      if (!lastFinished) ++counts.keptNewContent;
    } else if (now == beforeLast && !lastFinished) {
      ++counts.keptOldContent;
    } else {
      fail("after a kill during write " + std::to_string(last) + " the file (" +
           std::to_string(now.size()) + " bytes) is neither the old content (" +
           std::to_string(beforeLast.size()) + ") nor the new (" +
           std::to_string(afterLast.size()) + ")");
    }
    const size_t temporary = TemporaryFilesIn(folder);
    counts.mostTemporaryFiles = std::max<uint64_t>(counts.mostTemporaryFiles, temporary);
    // Each writer clears what the writers before it left; one killed writer
    // leaves at most its own.
    if (temporary > 1) fail(std::to_string(temporary) + " temporary files after a kill");
    next = last + 1;
  }

  if (!IniFile(file, clock).Update([&](IniDocument& document, IniFile::LoadStatus) {
        return CrashWriteEdit(next, document);
      })) {
    fail("the write after the last kill failed");
  }
  if (const size_t left = TemporaryFilesIn(folder); left != 0) {
    fail(std::to_string(left) + " temporary files left after a later write");
  }
  return result;
}

std::string Describe(const CampaignCounts& counts) {
  std::ostringstream text;
  text << counts.writesBegun << " writes begun (" << counts.writesFinished << " finished), "
       << counts.kills << " kills, " << counts.killsDuringWrite << " during a write (file kept "
       << counts.keptOldContent << " old, " << counts.keptNewContent << " new), at most "
       << counts.mostTemporaryFiles << " temporary file(s) at once";
  return text.str();
}

}  // namespace lt260::crash
