#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/IniFile.h"
#include "wine/ProfileCase.h"

namespace lt260::wine {

// Runs a case's calls through IniFile and through the Windows private-profile
// functions, each on its own copy of the case's file, and compares what they
// read: during the calls, and afterwards across the two files (each side
// reading the file the other one wrote).
//
// Where Wine is known to behave unlike Windows, the Windows behaviour is what
// counts: the other program sharing the settings file runs on Windows. Such a
// result is not compared when ours is what Windows gives; it is counted under
// the reason instead.

// A struct read's bytes, or nothing when the read failed.
using StructResult = std::optional<std::vector<uint8_t>>;

// "[00 01 AB]", or "FALSE" for a failed read.
std::string DescribeStructRead(const StructResult& bytes);

// Our store over a file, waiting in real time as the Agent does.
IniFile OurIniFile(const std::filesystem::path& path);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

struct Mismatch {
  std::string signature;  // what kind of call, in which phase; the same for a cut-down case
  std::u16string section;
  std::u16string key;
  std::string detail;
};

struct Outcome {
  std::vector<Mismatch> mismatches;
  std::map<std::string, int> knownDifferences;  // why Wine was not compared, and how often
  int comparisons = 0;
};

class ProfileDifferential {
 public:
  // The two sides' files are made in `folder`, created if missing.
  explicit ProfileDifferential(std::filesystem::path folder);

  Outcome Run(const ProfileCase& profileCase);

 private:
  std::filesystem::path NextPath(const char* side);

  std::filesystem::path folder_;
  int counter_ = 0;
};

// What a run of many cases found: every kind of mismatch once, with the first
// case that showed it (cut down to a minimal repro for the first kinds), and
// how often it was seen.
struct DifferentialSummary {
  int comparisons = 0;
  std::map<std::string, int> knownDifferences;
  std::vector<std::string> failures;  // one report for each kind of mismatch
};

DifferentialSummary RunDifferential(const std::vector<ProfileCase>& cases,
                                    const std::filesystem::path& folder);

// The case's file and calls, numbered, and what went wrong.
std::string Repro(const ProfileCase& profileCase, const Mismatch& mismatch);

}  // namespace lt260::wine
