// The settings store beside a handle that another program holds on the file:
// every combination of that handle's access and sharing, read and written by
// our store and by the Windows private-profile functions, with the same
// outcome from both.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/IniFile.h"
#include "support/FakeClock.h"
#include "wine/Win32PrivateProfile.h"

namespace lt260 {
namespace {

constexpr char kOldContent[] = "[s]\r\nk=123\r\n";
constexpr char kNewContent[] = "[s]\r\nk=456\r\n";

std::filesystem::path Folder() {
  const auto folder = std::filesystem::temp_directory_path() / "lt260-sharing";
  std::filesystem::create_directories(folder);
  return folder;
}

std::filesystem::path FreshFile(const std::string& name = "GamingMouse") {
  const auto path = Folder() / name;
  std::filesystem::remove(path);
  return path;
}

void WriteThrough(HANDLE file, const char* text) {
  DWORD written = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  ASSERT_TRUE(WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr));
  ASSERT_TRUE(SetEndOfFile(file));
}

// The file's bytes as a third program sees them, sharing everything; empty
// when even that cannot open it.
std::optional<std::string> Content(const std::filesystem::path& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes(4096, '\0');
  DWORD count = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr);
  CloseHandle(file);
  bytes.resize(count);
  return bytes;
}

bool TemporaryFilesLeft() {
  for (const auto& entry : std::filesystem::directory_iterator(Folder())) {
    if (entry.path().filename().string().find("~lt260-") != std::string::npos) return true;
  }
  return false;
}

// The handle another program holds on the settings file.
struct OtherHandle {
  DWORD access;
  bool deleteOnClose;
  DWORD sharing;

  std::string Describe() const {
    std::string text;
    if (access & GENERIC_READ) text += "read ";
    if (access & GENERIC_WRITE) text += "write ";
    if (deleteOnClose) text += "delete-on-close ";
    text += "sharing";
    if (sharing & FILE_SHARE_READ) text += " read";
    if (sharing & FILE_SHARE_WRITE) text += " write";
    if (sharing & FILE_SHARE_DELETE) text += " delete";
    if (sharing == 0) text += " nothing";
    return text;
  }
  // The profile functions read wherever the other handle shares reading, and
  // write wherever it shares reading and writing and may not delete the file.
  bool Readable() const { return (sharing & FILE_SHARE_READ) != 0; }
  bool Writable() const {
    return (sharing & FILE_SHARE_READ) && (sharing & FILE_SHARE_WRITE) && !deleteOnClose;
  }
};

std::vector<OtherHandle> EveryOtherHandle() {
  std::vector<OtherHandle> handles;
  for (DWORD access :
       {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}, DWORD{GENERIC_READ | GENERIC_WRITE}, DWORD{0}}) {
    for (bool deleteOnClose : {false, true}) {
      if (access == 0 && !deleteOnClose) continue;  // a handle with no access at all
      for (DWORD sharing = 0; sharing <= 7; ++sharing) {
        handles.push_back({access, deleteOnClose, sharing});
      }
    }
  }
  return handles;
}

enum class Client { Store, Windows };

struct Outcome {
  bool readValue = false;  // read 123 rather than the default
  bool wrote = false;      // the write said it succeeded
  // What the file held right after the write, seen by a third program while
  // the handle was still open (or after it closed, when it shares no reading
  // and deletes nothing); "-" where no one can see it.
  std::string afterWrite = "-";
};

Outcome ReadAndWrite(Client client, const OtherHandle& other, const std::string& name) {
  const auto path = FreshFile(name);
  std::ofstream(path, std::ios::binary) << kOldContent;
  HANDLE handle = CreateFileW(path.c_str(), other.access, other.sharing, nullptr, OPEN_EXISTING,
                              other.deleteOnClose ? FILE_FLAG_DELETE_ON_CLOSE : 0, nullptr);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE) << other.Describe();

  Outcome outcome;
  test::FakeClock clock;
  IniFile store(path, clock);
  wine::Win32PrivateProfile windows(path);
  if (client == Client::Store) {
    const IniFile::Snapshot snapshot = store.Load();
    outcome.readValue = snapshot.document.ReadInt(u"s", u"k", 0) == 123;
    // A file that is there but cannot be opened is unreadable, never missing.
    EXPECT_EQ(snapshot.status,
              outcome.readValue ? IniFile::LoadStatus::Loaded : IniFile::LoadStatus::Unreadable)
        << other.Describe();
    outcome.wrote = store.WriteInt(u"s", u"k", 456);
  } else {
    outcome.readValue = windows.ReadInt(u"s", u"k", 0) == 123;
    outcome.wrote = windows.WriteInt(u"s", u"k", 456);
  }
  if (std::optional<std::string> content = Content(path)) outcome.afterWrite = *content;
  CloseHandle(handle);
  if (outcome.afterWrite == "-" && !other.deleteOnClose) outcome.afterWrite = *Content(path);
  return outcome;
}

TEST(IniFileSharing, ReadsAndWritesBesideAnotherHandleAsTheProfileFunctionsDo) {
  int cases = 0;
  for (const OtherHandle& other : EveryOtherHandle()) {
    SCOPED_TRACE(other.Describe());
    const std::string name = "case" + std::to_string(cases++);
    const Outcome windows = ReadAndWrite(Client::Windows, other, name + "-windows");
    const Outcome store = ReadAndWrite(Client::Store, other, name + "-store");

    EXPECT_EQ(windows.readValue, other.Readable()) << "the profile functions read otherwise";
    EXPECT_EQ(store.readValue, windows.readValue);
    EXPECT_EQ(windows.wrote, other.Writable()) << "the profile functions write otherwise";
    EXPECT_EQ(store.wrote, windows.wrote);
    // The file is whole and holds the edit exactly when the write said so.
    EXPECT_EQ(store.afterWrite, windows.afterWrite);
    if (store.afterWrite != "-") {
      EXPECT_EQ(store.afterWrite, store.wrote ? kNewContent : kOldContent);
    }
    EXPECT_FALSE(TemporaryFilesLeft());
  }
  EXPECT_EQ(cases, 56) << "every combination of access and sharing";
}

// A program that saves safely, or a sync tool, creates the file with a handle
// that writes it, deletes it when closed and shares only reading; while it is
// open, the Windows functions read what was written through it, and so do we.
TEST(IniFileSharing, ReadsAFileHeldOpenForWritingAndDeletionOnClose) {
  const auto path = FreshFile();
  HANDLE holder = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ASSERT_NO_FATAL_FAILURE(WriteThrough(holder, "[Setting]\r\nActive=123\r\n"));
  test::FakeClock clock;
  IniFile store(path, clock);
  wine::Win32PrivateProfile windows(path);
  EXPECT_EQ(windows.ReadInt(u"Setting", u"Active", 0), 123u);
  EXPECT_EQ(store.ReadInt(u"Setting", u"Active", 0), 123);

  ASSERT_NO_FATAL_FAILURE(WriteThrough(holder, "[Setting]\r\nActive=124\r\n"));
  EXPECT_EQ(windows.ReadInt(u"Setting", u"Active", 0), 124u);
  EXPECT_EQ(store.ReadInt(u"Setting", u"Active", 0), 124);
  // Writing is refused while the handle is open, by both.
  EXPECT_FALSE(store.WriteInt(u"Setting", u"Device", 1));
  EXPECT_FALSE(windows.WriteInt(u"Setting", u"Device", 1));
  EXPECT_EQ(Content(path), "[Setting]\r\nActive=124\r\n");
  EXPECT_FALSE(TemporaryFilesLeft());
  CloseHandle(holder);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFileSharing, WriteLandsWhileAReaderHoldsTheFileOpen) {
  const auto path = FreshFile();
  test::FakeClock clock;
  IniFile file(path, clock);
  ASSERT_TRUE(file.WriteInt(u"Setting", u"Device", 0));
  EXPECT_TRUE(clock.Sleeps().empty()) << "a file no one holds is replaced at once";

  // Open the way the C runtime does: sharing reading and writing, not
  // deletion, so the file cannot be replaced and is written in place.
  HANDLE reader =
      CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(file.WriteInt(u"Setting", u"Device", 1));
  // Four waits of 10 ms between five refused replacements, then in place.
  EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>(4, 10));
  {
    std::ifstream alsoOpen(path, std::ios::binary);
    EXPECT_TRUE(file.WriteInt(u"Profile0Setting", u"DPI_Cur", 4));
  }
  CloseHandle(reader);

  EXPECT_EQ(file.ReadInt(u"Setting", u"Device", -1), 1);
  EXPECT_EQ(file.ReadInt(u"Profile0Setting", u"DPI_Cur", -1), 4);
  EXPECT_FALSE(TemporaryFilesLeft());
}

}  // namespace
}  // namespace lt260
