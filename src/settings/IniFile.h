#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ports/Clock.h"
#include "settings/IniDocument.h"

namespace lt260 {

// An INI file on disk, read and written with the behaviour of the Windows
// private-profile functions, including the sharing with which they open it.
// Nothing is kept open: every operation reads the file afresh, and every write
// re-reads it, edits it in memory and replaces it through a temporary file in
// the same folder, flushed to the disk first, so a crash, a kill, a power loss
// or a full disk leaves either the old file or the new one, never a mix. Only
// while another program holds the file open so that it cannot be replaced is
// it written in place, as the profile functions write it; the brief waits
// before giving up on the replacement are taken through the clock.
class IniFile {
 public:
  IniFile(std::filesystem::path path, Clock& clock) : path_(std::move(path)), clock_(clock) {}

  const std::filesystem::path& Path() const { return path_; }

  enum class LoadStatus { Loaded, Missing, Unreadable };
  struct Snapshot {
    LoadStatus status = LoadStatus::Missing;
    IniDocument document;  // empty unless Loaded
  };
  // Reads the whole file once, for callers that look up many keys.
  Snapshot Load() const { return Load(path_); }
  // The same for a file that is only read, which takes no clock.
  static Snapshot Load(const std::filesystem::path& path);

  // Re-reads the file, hands it to `edit`, and writes the result back if
  // `edit` returned true and changed it. A file that exists but cannot be read
  // is never replaced. Returns true when the file holds the edits afterwards.
  bool Update(const std::function<bool(IniDocument&, LoadStatus)>& edit);

  int32_t ReadInt(std::u16string_view section, std::u16string_view key, int32_t defaultValue) const;
  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;
  bool ReadStruct(std::u16string_view section, std::u16string_view key,
                  std::span<uint8_t> destination) const;

  bool WriteInt(std::u16string_view section, std::u16string_view key, int32_t value);
  bool WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value);
  bool WriteStruct(std::u16string_view section, std::u16string_view key,
                   std::span<const uint8_t> source);

 private:
  // Puts the flushed temporary file in place of the file, or, where another
  // program keeps it from being replaced, writes `bytes` in place.
  bool ReplaceWith(const std::filesystem::path& temporary, const std::vector<uint8_t>& bytes);

  std::filesystem::path path_;
  Clock& clock_;
};

}  // namespace lt260
