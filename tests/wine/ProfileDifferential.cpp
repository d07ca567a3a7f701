#include "wine/ProfileDifferential.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include "cli/SteadyClock.h"
#include "settings/IniFile.h"
#include "settings/IniValue.h"
#include "wine/ProfileCaseShrinker.h"
#include "wine/Win32PrivateProfile.h"

namespace lt260::wine {
namespace {

namespace fs = std::filesystem;

const std::u16string kReadBackDefault = u"?";
constexpr int32_t kReadBackIntDefault = -7;
// Cutting a case down reruns it many times; the first kinds of mismatch get
// a minimal repro, the others their case as it failed.
constexpr int kShrunkKinds = 8;

std::string Show(uint32_t value) { return std::to_string(value); }
std::string Show(const std::u16string& text) { return EscapeText(text); }
std::string ShowWrite(bool ok) { return ok ? "TRUE" : "FALSE"; }

std::u16string_view TrimTrailingSpaces(std::u16string_view text) {
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

// The struct read as Windows does it, over the value after trimming and quote
// removal: exactly two hex digits per byte and two for the checksum, and the
// checksum must match. Wine is laxer in three ways (see StructDifference).
StructResult WindowsStructRead(std::u16string_view value, std::size_t size) {
  if (value.size() != 2 * size + 2) return std::nullopt;
  auto digit = [](char16_t unit) -> int {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    return -1;
  };
  std::vector<uint8_t> bytes;
  uint8_t sum = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    const int high = digit(value[2 * i]);
    const int low = digit(value[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    const auto byte = static_cast<uint8_t>(high * 16 + low);
    if (i == size) {
      if (byte != sum) return std::nullopt;
    } else {
      bytes.push_back(byte);
      sum = static_cast<uint8_t>(sum + byte);
    }
  }
  return bytes;
}

// The file's text as the reader sees it, for looking at a value's raw form.
std::u16string RawText(const std::vector<uint8_t>& bytes) {
  std::u16string text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    }
  } else {
    for (uint8_t byte : bytes) text += static_cast<char16_t>(byte);
  }
  return text;
}

void Compare(Outcome& outcome, const std::string& signature, const ProfileOp& op,
             const std::string& where, const std::string& win32, const std::string& ours) {
  ++outcome.comparisons;
  if (win32 == ours) return;
  outcome.mismatches.push_back({signature, op.section, op.key,
                                where + DescribeOp(op) + ": Win32 " + win32 + ", ours " + ours});
}

// Wine strips a pair of quotes from the default string as it does from a
// value; Windows only cuts the default's trailing spaces.
bool IsDefaultQuoteDifference(const ProfileOp& op, const std::u16string& win32,
                              const std::u16string& ours) {
  const std::u16string_view trimmed = TrimTrailingSpaces(op.text);
  return ours == trimmed && win32 == StripQuotes(trimmed) && win32 != ours;
}

// Why Wine's struct read may give something else than Windows': it ignores
// whatever follows the 2 * size + 2 characters it needs, takes any letter
// for a hex digit, and refuses a value in quotes. Returns the reason, or
// nothing when none applies.
std::optional<std::string> StructDifference(std::u16string_view value, std::size_t size,
                                            const StructResult& win32, const StructResult& windows,
                                            const std::u16string& rawText) {
  if (win32 && !windows && value.size() > 2 * size + 2 &&
      win32 == WindowsStructRead(value.substr(0, 2 * size + 2), size)) {
    return "Wine ignores characters after the length of a struct value";
  }
  const bool hasNonHex = std::any_of(value.begin(), value.end(), [](char16_t unit) {
    return !((unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'F') ||
             (unit >= u'a' && unit <= u'f'));
  });
  if (win32 && !windows && hasNonHex) return "Wine takes any letter for a hex digit in a struct";
  const bool quoted = rawText.find(u'"' + std::u16string(value) + u'"') != std::u16string::npos ||
                      rawText.find(u'\'' + std::u16string(value) + u'\'') != std::u16string::npos;
  if (!win32 && windows && quoted) return "Wine refuses a struct value in quotes";
  return std::nullopt;
}

void CompareStruct(Outcome& outcome, const std::string& signature, const ProfileOp& op,
                   const std::string& where, const StructResult& win32, const StructResult& ours,
                   std::u16string_view value, const std::u16string& rawText) {
  if (win32 != ours) {
    const StructResult windows = WindowsStructRead(value, op.size);
    if (ours == windows) {
      if (auto reason = StructDifference(value, op.size, win32, windows, rawText)) {
        ++outcome.knownDifferences[*reason];
        return;
      }
    }
  }
  Compare(outcome, signature, op, where, DescribeStructRead(win32), DescribeStructRead(ours));
}

StructResult OursStruct(const IniDocument& document, const ProfileOp& op) {
  std::vector<uint8_t> bytes(op.size);
  if (!document.ReadStruct(op.section, op.key, bytes)) return std::nullopt;
  return bytes;
}

void RunCalls(const ProfileCase& profileCase, const fs::path& win32Path, const fs::path& oursPath,
              Outcome& outcome) {
  const Win32PrivateProfile win32(win32Path);
  IniFile ours = OurIniFile(oursPath);
  for (std::size_t i = 0; i < profileCase.ops.size(); ++i) {
    const ProfileOp& op = profileCase.ops[i];
    const std::string where = "call " + std::to_string(i + 1) + " ";
    switch (op.kind) {
      case OpKind::ReadInt:
        Compare(outcome, "call ReadInt", op, where,
                Show(win32.ReadInt(op.section, op.key, op.number)),
                Show(static_cast<uint32_t>(ours.ReadInt(op.section, op.key, op.number))));
        break;
      case OpKind::ReadString: {
        const std::u16string w = win32.ReadString(op.section, op.key, op.text);
        const std::u16string o = ours.ReadString(op.section, op.key, op.text);
        if (IsDefaultQuoteDifference(op, w, o)) {
          ++outcome.knownDifferences["Wine strips quotes from the default string"];
        } else {
          Compare(outcome, "call ReadString", op, where, Show(w), Show(o));
        }
        break;
      }
      case OpKind::ReadStruct: {
        std::vector<uint8_t> bytes(op.size, 0xCD);
        const StructResult o = ours.ReadStruct(op.section, op.key, bytes)
                                   ? StructResult(bytes)
                                   : StructResult(std::nullopt);
        CompareStruct(outcome, "call ReadStruct", op, where,
                      win32.ReadStruct(op.section, op.key, op.size), o,
                      ours.ReadString(op.section, op.key, u""), RawText(ReadBytes(oursPath)));
        break;
      }
      case OpKind::WriteInt:
        Compare(outcome, "call WriteInt", op, where,
                ShowWrite(win32.WriteInt(op.section, op.key, op.number)),
                ShowWrite(ours.WriteInt(op.section, op.key, op.number)));
        break;
      case OpKind::WriteString:
        Compare(outcome, "call WriteString", op, where,
                ShowWrite(win32.WriteString(op.section, op.key, op.text)),
                ShowWrite(ours.WriteString(op.section, op.key, op.text)));
        break;
      case OpKind::WriteStruct:
        Compare(outcome, "call WriteStruct", op, where,
                ShowWrite(win32.WriteStruct(op.section, op.key, op.bytes)),
                ShowWrite(ours.WriteStruct(op.section, op.key, op.bytes)));
        break;
    }
  }
}

// Each file is read by both sides over every name of the case, and the two
// files are read against each other: after the same writes they must read
// the same, whatever their bytes.
void ReadBack(const ProfileCase& profileCase, const fs::path& win32Path, const fs::path& oursPath,
              Outcome& outcome) {
  const bool win32Exists = fs::exists(win32Path);
  const bool oursExists = fs::exists(oursPath);
  if (win32Exists != oursExists) {
    ++outcome.comparisons;
    outcome.mismatches.push_back(
        {"file existence",
         {},
         {},
         std::string("after the calls the file ") + (win32Exists ? "exists" : "is missing") +
             " on the Win32 side but " + (oursExists ? "exists" : "is missing") + " on ours"});
  }
  if (profileCase.sections.empty()) return;
  struct Side {
    const char* name;
    Win32PrivateProfile win32;
    IniDocument document;
    std::u16string rawText;
  };
  Side sides[] = {
      {"the Win32-written file", Win32PrivateProfile(win32Path), IniFile::Load(win32Path).document,
       RawText(ReadBytes(win32Path))},
      {"our file", Win32PrivateProfile(oursPath), IniFile::Load(oursPath).document,
       RawText(ReadBytes(oursPath))},
  };
  for (const std::u16string& section : profileCase.sections) {
    for (const std::u16string& key : profileCase.keys) {
      ProfileOp op;
      op.section = section;
      op.key = key;
      std::u16string strings[2];
      uint32_t ints[2] = {};
      for (int s = 0; s < 2; ++s) {
        Side& side = sides[s];
        const std::string where = std::string("read back from ") + side.name + ": ";
        const std::string sig = std::string("read back ") + side.name + " ";

        op.kind = OpKind::ReadString;
        op.text = kReadBackDefault;
        strings[s] = side.document.ReadString(section, key, kReadBackDefault);
        const std::u16string win32String = side.win32.ReadString(section, key, kReadBackDefault);
        Compare(outcome, sig + "ReadString", op, where, Show(win32String), Show(strings[s]));

        // Every Win32 call costs a round trip to the Wine server, so where
        // neither side found the key the other reads are left out: both take
        // the same string path to the default.
        ints[s] = static_cast<uint32_t>(side.document.ReadInt(section, key, kReadBackIntDefault));
        if (win32String == kReadBackDefault && strings[s] == kReadBackDefault) continue;
        op.kind = OpKind::ReadInt;
        op.number = kReadBackIntDefault;
        Compare(outcome, sig + "ReadInt", op, where,
                Show(side.win32.ReadInt(section, key, kReadBackIntDefault)), Show(ints[s]));

        // Struct reads only of values that could be one, with the size that
        // passes the length check, so that digits and checksum are what
        // count.
        const std::u16string value = side.document.ReadString(section, key, u"");
        const bool looksLikeStruct =
            value.size() >= 2 && std::all_of(value.begin(), value.end(), [](char16_t unit) {
              return (unit >= u'0' && unit <= u'9') || (unit >= u'A' && unit <= u'Z') ||
                     (unit >= u'a' && unit <= u'z');
            });
        if (!looksLikeStruct) continue;
        op.kind = OpKind::ReadStruct;
        op.size = (value.size() - 2) / 2;
        CompareStruct(outcome, sig + "ReadStruct", op, where,
                      side.win32.ReadStruct(section, key, op.size), OursStruct(side.document, op),
                      value, side.rawText);
      }
      op.kind = OpKind::ReadString;
      op.text = kReadBackDefault;
      Compare(outcome, "the two files differ: ReadString", op,
              "the two files read differently (left: Win32-written file, right: ours), ",
              Show(strings[0]), Show(strings[1]));
      op.kind = OpKind::ReadInt;
      op.number = kReadBackIntDefault;
      Compare(outcome, "the two files differ: ReadInt", op,
              "the two files read differently (left: Win32-written file, right: ours), ",
              Show(ints[0]), Show(ints[1]));
    }
  }
}

}  // namespace

IniFile OurIniFile(const fs::path& path) {
  static SteadyClock clock;
  return IniFile(path, clock);
}

std::string DescribeStructRead(const StructResult& bytes) {
  return bytes ? DescribeBytes(*bytes) : "FALSE";
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

ProfileDifferential::ProfileDifferential(fs::path folder) : folder_(std::move(folder)) {
  fs::create_directories(folder_);
}

Outcome ProfileDifferential::Run(const ProfileCase& profileCase) {
  // Fresh names every time: Wine caches profile files by name and would
  // otherwise be free to answer from an older file of the same name.
  const fs::path win32Path = NextPath("win32");
  const fs::path oursPath = NextPath("ours");
  if (profileCase.file.form != FileForm::Missing) {
    WriteBytes(win32Path, profileCase.file.Bytes());
    WriteBytes(oursPath, profileCase.file.Bytes());
  }
  Outcome outcome;
  RunCalls(profileCase, win32Path, oursPath, outcome);
  ReadBack(profileCase, win32Path, oursPath, outcome);
  std::error_code ignored;
  fs::remove(win32Path, ignored);
  fs::remove(oursPath, ignored);
  return outcome;
}

fs::path ProfileDifferential::NextPath(const char* side) {
  return folder_ / ("case" + std::to_string(counter_++) + "-" + side + ".ini");
}

DifferentialSummary RunDifferential(const std::vector<ProfileCase>& cases, const fs::path& folder) {
  ProfileDifferential differential(folder);
  DifferentialSummary summary;
  std::map<std::string, int> counts;
  std::map<std::string, std::pair<ProfileCase, Mismatch>> first;
  for (const ProfileCase& profileCase : cases) {
    const Outcome outcome = differential.Run(profileCase);
    summary.comparisons += outcome.comparisons;
    for (const auto& [reason, count] : outcome.knownDifferences) {
      summary.knownDifferences[reason] += count;
    }
    for (const Mismatch& mismatch : outcome.mismatches) {
      if (counts[mismatch.signature]++ == 0)
        first.emplace(mismatch.signature, std::pair(profileCase, mismatch));
    }
  }
  int shrunk = 0;
  for (const auto& [signature, entry] : first) {
    std::string report = std::to_string(counts[signature]) + " mismatches of this kind; first in " +
                         entry.first.name + ": " + entry.second.detail + "\n";
    if (shrunk++ < kShrunkKinds) {
      const auto failsAlike = [&](const ProfileCase& candidate) -> std::optional<Mismatch> {
        for (const Mismatch& found : differential.Run(candidate).mismatches) {
          if (found.signature == signature) return found;
        }
        return std::nullopt;
      };
      Mismatch last;
      const ProfileCase minimal = ShrinkCase(entry.first, entry.second, failsAlike, last);
      report += "minimal repro: " + Repro(minimal, last);
    } else {
      report += "repro: " + Repro(entry.first, entry.second);
    }
    summary.failures.push_back(std::move(report));
  }
  return summary;
}

std::string Repro(const ProfileCase& profileCase, const Mismatch& mismatch) {
  std::string text = profileCase.name + " [" + mismatch.signature +
                     "]\n  file: " + DescribeFile(profileCase.file) + "\n";
  if (profileCase.ops.empty()) text += "  no calls\n";
  for (std::size_t i = 0; i < profileCase.ops.size(); ++i) {
    text += "  " + std::to_string(i + 1) + ". " + DescribeOp(profileCase.ops[i]) + "\n";
  }
  return text + "  mismatch: " + mismatch.detail + "\n";
}

}  // namespace lt260::wine
