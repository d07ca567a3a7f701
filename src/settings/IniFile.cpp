#include "settings/IniFile.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "settings/StoreFileAccess.h"

namespace lt260 {
namespace fs = std::filesystem;
namespace {

constexpr int kReplaceAttempts = 5;
constexpr uint32_t kReplaceRetryMilliseconds = 10;
// No write of ours keeps its temporary file anywhere near this long; one this
// old was left by a writer that ended (or whose process id was reused).
constexpr std::chrono::minutes kTemporaryFileLifetime{10};

// Temporary files are named "<file>~lt260-<process id>-<serial>.tmp", beside
// the file: unique among writers, and recognisable as ours and as belonging to
// this file when a later write clears those its killed writers left behind.
constexpr std::u16string_view kTemporaryMarker = u"~lt260-";
constexpr std::u16string_view kTemporarySuffix = u".tmp";

fs::path TemporaryPathFor(const fs::path& path, uint32_t processId, uint32_t serial) {
  fs::path temporary = path;
  temporary += kTemporaryMarker;
  temporary += std::to_string(processId) + "-" + std::to_string(serial);
  temporary += kTemporarySuffix;
  return temporary;
}

bool AllDigits(std::u16string_view text) {
  if (text.empty() || text.size() > 10) return false;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// The process id in a temporary file name of ours for `fileName`, or nothing
// when the name is anything else.
std::optional<uint32_t> TemporaryFileWriter(std::u16string_view name,
                                            std::u16string_view fileName) {
  if (!name.starts_with(fileName)) return std::nullopt;
  name.remove_prefix(fileName.size());
  if (!name.starts_with(kTemporaryMarker) || !name.ends_with(kTemporarySuffix)) {
    return std::nullopt;
  }
  name.remove_prefix(kTemporaryMarker.size());
  name.remove_suffix(kTemporarySuffix.size());
  const size_t dash = name.find(u'-');
  if (dash == std::u16string_view::npos) return std::nullopt;
  const std::u16string_view writer = name.substr(0, dash);
  if (!AllDigits(writer) || !AllDigits(name.substr(dash + 1))) return std::nullopt;
  uint64_t id = 0;
  for (const char16_t c : writer) id = id * 10 + static_cast<uint64_t>(c - u'0');
  if (id > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(id);
}

// The temporary files this process is writing now. One with our process id
// that is not among them was left by an earlier process that had our id.
class TemporaryFilesInFlight {
 public:
  void Add(const fs::path& path) {
    std::lock_guard lock(mutex_);
    paths_.insert(path);
  }
  void Remove(const fs::path& path) {
    std::lock_guard lock(mutex_);
    paths_.erase(path);
  }
  bool Contains(const fs::path& path) const {
    std::lock_guard lock(mutex_);
    return paths_.contains(path);
  }

 private:
  mutable std::mutex mutex_;
  std::set<fs::path> paths_;
};

TemporaryFilesInFlight& InFlight() {
  static TemporaryFilesInFlight inFlight;
  return inFlight;
}

// Removes the temporary files of this file that writers which no longer run
// left behind (a write killed before it could replace the file). Nothing but
// regular files named exactly as ours is ever touched.
void RemoveStaleTemporaryFiles(const fs::path& path, uint32_t ourProcessId) {
  std::error_code error;
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  const std::u16string fileName = path.filename().u16string();
  const auto now = fs::file_time_type::clock::now();
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::optional<uint32_t> writer =
        TemporaryFileWriter(it->path().filename().u16string(), fileName);
    if (!writer || !it->is_regular_file(error)) continue;
    const auto written = it->last_write_time(error);
    const bool old = !error && now - written > kTemporaryFileLifetime;
    const bool ended =
        *writer == ourProcessId ? !InFlight().Contains(it->path()) : !ProcessIsRunning(*writer);
    if (old || ended) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
    error.clear();
  }
}

// Writes the new content to a temporary file of its own beside `path`,
// flushed to the disk; the file's name, or an empty path.
fs::path WriteTemporaryFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  static std::atomic<uint32_t> serial{0};
  const uint32_t processId = CurrentProcessId();
  RemoveStaleTemporaryFiles(path, processId);
  // A name still taken (by a writer whose process id we now have) is passed
  // over.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const fs::path temporary = TemporaryPathFor(path, processId, serial.fetch_add(1));
    InFlight().Add(temporary);
    if (CreateFlushedFile(temporary, bytes)) return temporary;
    InFlight().Remove(temporary);
    std::error_code error;
    if (!fs::exists(temporary, error) || error) return {};
  }
  return {};
}

}  // namespace

IniFile::Snapshot IniFile::Load(const fs::path& path) {
  Snapshot snapshot;
  // No path names no file: nothing to read, and nowhere a write may go.
  if (path.empty()) {
    snapshot.status = LoadStatus::Unreadable;
    return snapshot;
  }
  std::vector<uint8_t> bytes;
  switch (ReadWholeFile(path, bytes)) {
    case FileReadStatus::Missing:
      snapshot.status = LoadStatus::Missing;
      break;
    case FileReadStatus::Unreadable:
      snapshot.status = LoadStatus::Unreadable;
      break;
    case FileReadStatus::Read:
      snapshot.document = IniDocument::Parse(bytes);
      snapshot.status = LoadStatus::Loaded;
      break;
  }
  return snapshot;
}

bool IniFile::Update(const std::function<bool(IniDocument&, LoadStatus)>& edit) {
  Snapshot snapshot = Load();
  if (snapshot.status == LoadStatus::Unreadable) return false;
  if (!edit(snapshot.document, snapshot.status)) return false;
  if (!snapshot.document.Modified()) return true;

  // The new text goes to a file beside the old one, which it then replaces in
  // one step: a reader sees the old file or the new one, never a part, and a
  // write killed at any moment leaves one of the two whole.
  const std::vector<uint8_t> bytes = snapshot.document.Serialize();
  const fs::path temporary = WriteTemporaryFile(path_, bytes);
  if (temporary.empty()) return false;
  const bool written = ReplaceWith(temporary, bytes);
  InFlight().Remove(temporary);
  return written;
}

bool IniFile::ReplaceWith(const fs::path& temporary, const std::vector<uint8_t>& bytes) {
  bool replaced = MoveFileOver(temporary, path_);
  // Windows will not replace a file that another program has open, as the
  // Configurator's own profile calls have it for a moment. Try again
  // briefly; if it stays open, write the file in place, as the platform's
  // profile functions always do, rather than lose the edit. That succeeds
  // exactly where their write would: the other program shares reading and
  // writing and may not delete the file.
  for (int attempt = 1; !replaced && attempt < kReplaceAttempts; ++attempt) {
    clock_.Sleep(kReplaceRetryMilliseconds);
    replaced = MoveFileOver(temporary, path_);
  }
  if (replaced) return true;
  const bool written = OverwriteFile(path_, bytes);
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return written;
}

int32_t IniFile::ReadInt(std::u16string_view section, std::u16string_view key,
                         int32_t defaultValue) const {
  return Load().document.ReadInt(section, key, defaultValue);
}

std::u16string IniFile::ReadString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view defaultValue) const {
  return Load().document.ReadString(section, key, defaultValue);
}

bool IniFile::ReadStruct(std::u16string_view section, std::u16string_view key,
                         std::span<uint8_t> destination) const {
  return Load().document.ReadStruct(section, key, destination);
}

bool IniFile::WriteInt(std::u16string_view section, std::u16string_view key, int32_t value) {
  return Update(
      [&](IniDocument& document, LoadStatus) { return document.WriteInt(section, key, value); });
}

bool IniFile::WriteString(std::u16string_view section, std::u16string_view key,
                          std::u16string_view value) {
  return Update(
      [&](IniDocument& document, LoadStatus) { return document.WriteString(section, key, value); });
}

bool IniFile::WriteStruct(std::u16string_view section, std::u16string_view key,
                          std::span<const uint8_t> source) {
  return Update([&](IniDocument& document, LoadStatus) {
    return document.WriteStruct(section, key, source);
  });
}

}  // namespace lt260
