#include "settings/IniFile.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

namespace lt260 {
namespace fs = std::filesystem;
namespace {

constexpr int kReplaceAttempts = 5;
constexpr std::chrono::milliseconds kReplaceRetryPause{10};

// A name beside the file that no other writer picks: the file's own name, a
// random number drawn once per process, and a counter.
fs::path TemporaryPathFor(const fs::path& path) {
  static const uint64_t processTag = std::random_device{}() * 0x9E3779B97F4A7C15ull;
  static std::atomic<uint32_t> counter{0};
  fs::path temporary = path;
  temporary += u".";
  const std::string tag = std::to_string(processTag % 1000000007ull) + "-" +
                          std::to_string(counter.fetch_add(1)) + ".tmp";
  temporary += tag;
  return temporary;
}

bool WriteWholeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

}  // namespace

IniFile::Snapshot IniFile::Load() const {
  Snapshot snapshot;
  // No path names no file: nothing to read, and nowhere a write may go.
  if (path_.empty()) {
    snapshot.status = LoadStatus::Unreadable;
    return snapshot;
  }
  std::error_code error;
  const fs::file_status status = fs::status(path_, error);
  if (status.type() == fs::file_type::not_found) return snapshot;
  snapshot.status = LoadStatus::Unreadable;
  if (error || status.type() == fs::file_type::directory) return snapshot;

  std::ifstream in(path_, std::ios::binary);
  if (!in) return snapshot;
  std::vector<uint8_t> bytes;
  char buffer[64 * 1024];
  while (in) {
    in.read(buffer, sizeof buffer);
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
  }
  if (in.bad()) return snapshot;
  snapshot.document = IniDocument::Parse(bytes);
  snapshot.status = LoadStatus::Loaded;
  return snapshot;
}

bool IniFile::Update(const std::function<bool(IniDocument&, LoadStatus)>& edit) {
  Snapshot snapshot = Load();
  if (snapshot.status == LoadStatus::Unreadable) return false;
  if (!edit(snapshot.document, snapshot.status)) return false;
  if (!snapshot.document.Modified()) return true;

  // The new text goes to a file beside the old one, which it then replaces in
  // one step: a reader sees the old file or the new one, never a part.
  const fs::path temporary = TemporaryPathFor(path_);
  const std::vector<uint8_t> bytes = snapshot.document.Serialize();
  std::error_code error;
  if (!WriteWholeFile(temporary, bytes)) {
    fs::remove(temporary, error);
    return false;
  }
  fs::rename(temporary, path_, error);
  // Windows will not replace a file that another program has open, as the
  // Configurator's own profile calls have it for a moment. Try again
  // briefly; if it stays open, write the file in place, as the platform's
  // profile functions always do, rather than lose the edit.
  for (int attempt = 1; error && attempt < kReplaceAttempts; ++attempt) {
    std::this_thread::sleep_for(kReplaceRetryPause);
    error.clear();
    fs::rename(temporary, path_, error);
  }
  if (!error) return true;
  std::error_code ignored;
  fs::remove(temporary, ignored);
  return WriteWholeFile(path_, bytes);
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
