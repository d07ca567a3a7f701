#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "settings/IniFile.h"
#include "settings/StoreFileAccess.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

using test::FakeClock;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(IniFile, MissingFileReadsDefaultsAndTheFirstWriteCreatesIt) {
  TempDir dir;
  FakeClock clock;
  IniFile file(dir / "GamingMouse", clock);
  EXPECT_EQ(file.Load().status, IniFile::LoadStatus::Missing);
  EXPECT_EQ(file.ReadInt(u"s", u"k", 42), 42);
  EXPECT_EQ(file.ReadString(u"s", u"k", u"d"), u"d");

  ASSERT_TRUE(file.WriteInt(u"Setting", u"Device", 1));
  EXPECT_EQ(ReadBytes(dir / "GamingMouse"), "[Setting]\r\nDevice=1\r\n");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left behind";
}

TEST(IniFile, WriteWithoutItsFolderFailsAndCreatesNothing) {
  TempDir dir;
  FakeClock clock;
  IniFile file(dir / "Quendra" / "LT-260" / "GamingMouse", clock);
  EXPECT_FALSE(file.WriteInt(u"Setting", u"Device", 1));
  EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(IniFile, EveryWriteStartsFromWhatIsOnDiskNow) {
  TempDir dir;
  const auto path = dir / "shared.ini";
  FakeClock clock;
  IniFile agent(path, clock);
  ASSERT_TRUE(agent.WriteInt(u"Profile0Setting", u"DPI_Cur", 2));
  // Another program rewrites the file between two of our writes.
  WriteBytes(path, "[Setting]\r\nActive=3\r\n[Profile0Setting]\r\nDPI_Cur=5\r\n");
  ASSERT_TRUE(agent.WriteInt(u"Setting", u"Device", 0));
  EXPECT_EQ(ReadBytes(path),
            "[Setting]\r\nActive=3\r\nDevice=0\r\n[Profile0Setting]\r\nDPI_Cur=5\r\n");
}

TEST(IniFile, AFileThatCannotBeReadIsNeverReplaced) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  std::filesystem::create_directory(path);  // in the way, and unreadable as a file
  FakeClock clock;
  IniFile file(path, clock);
  EXPECT_EQ(file.Load().status, IniFile::LoadStatus::Unreadable);
  EXPECT_FALSE(file.WriteInt(u"s", u"k", 1));
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(IniFile, UpdateThatChangesNothingLeavesTheFileAlone) {
  TempDir dir;
  const auto path = dir / "a.ini";
  WriteBytes(path, "[s]\n k = 1 \n");
  const auto before = std::filesystem::last_write_time(path);
  FakeClock clock;
  IniFile file(path, clock);
  EXPECT_TRUE(file.WriteInt(u"S", u"K", 1));
  EXPECT_FALSE(file.Update([](IniDocument& document, IniFile::LoadStatus) {
    document.WriteInt(u"s", u"k", 2);
    return false;  // abandoned
  }));
  EXPECT_EQ(ReadBytes(path), "[s]\n k = 1 \n");
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

// A write killed before it replaced the file leaves its temporary file; the
// next write clears every one of ours whose writer is gone, and nothing else.
TEST(IniFile, AWriteClearsTemporaryFilesThatEndedWritersLeftAndNothingElse) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  const std::string ours = std::to_string(CurrentProcessId());
  const std::vector<std::string> stale = {
      "GamingMouse~lt260-4294967295-0.tmp",  // no process has this id
      "GamingMouse~lt260-4294967295-17.tmp",
      // Not being written by this process: left by an earlier one that had
      // the same id.
      "GamingMouse~lt260-" + ours + "-4000000000.tmp",
  };
  const std::vector<std::string> kept = {
      "GamingMouse~lt260-4294967295-1.tmp.bak", "GamingMouse~lt260-4294967295-.tmp",
      "GamingMouse~lt260-x4294967295-1.tmp",
      "GamingMouse~lt260-99999999999-1.tmp",   // not a process id
      "BulletSetting~lt260-4294967295-0.tmp",  // another file's
      "GamingMouse.4294967295-0.tmp",           "GamingMouse.bak",
  };
  for (const auto& name : stale) WriteBytes(dir / name, "[s]\r\n");
  for (const auto& name : kept) WriteBytes(dir / name, "[s]\r\n");
  std::filesystem::create_directory(dir / "GamingMouse~lt260-4294967295-5.tmp");

  FakeClock clock;
  ASSERT_TRUE(IniFile(path, clock).WriteInt(u"Setting", u"Device", 1));
  for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "GamingMouse~lt260-4294967295-5.tmp"));
  EXPECT_EQ(EntriesIn(dir.Path()), 1 + kept.size() + 1);
  EXPECT_EQ(ReadBytes(path), "[Setting]\r\nDevice=1\r\n");
}

// A clock whose waits run a step of the test: here, the other program
// letting go of the file after a given number of waits.
class SteppingClock final : public Clock {
 public:
  SteppingClock(std::function<void()> step, std::size_t stepAfter)
      : step_(std::move(step)), stepAfter_(stepAfter) {}
  uint32_t TickCount() override { return 0; }
  void Sleep(uint32_t milliseconds) override {
    sleeps_.push_back(milliseconds);
    if (sleeps_.size() == stepAfter_) step_();
  }
  const std::vector<uint32_t>& Sleeps() const { return sleeps_; }

 private:
  std::function<void()> step_;
  std::size_t stepAfter_;
  std::vector<uint32_t> sleeps_;
};

// A replacement the system refuses is tried again after 10 ms, five times in
// all, the waits taken through the clock. Here a folder stands where the file
// was read, put there between the read and the replacement, which no
// replacement and no write in place can get past.
TEST(IniFile, RefusedReplacementIsTriedFiveTimesTenMillisecondsApart) {
  // Freed after the first wait, after the fourth (before the last try), or
  // never in time (there is no fifth wait).
  for (const std::size_t freedAfter : {std::size_t{1}, std::size_t{4}, std::size_t{5}}) {
    SCOPED_TRACE(freedAfter);
    TempDir dir;
    const auto path = dir / "GamingMouse";
    WriteBytes(path, "[s]\r\nk=1\r\n");
    SteppingClock clock([&] { std::filesystem::remove_all(path); }, freedAfter);
    const bool written =
        IniFile(path, clock).Update([&](IniDocument& document, IniFile::LoadStatus) {
          std::filesystem::remove(path);
          std::filesystem::create_directories(path / "held");
          return document.WriteInt(u"s", u"k", 2);
        });
    if (freedAfter <= 4) {
      // Let go in time: the next attempt replaces it.
      EXPECT_TRUE(written);
      EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>(freedAfter, 10));
      EXPECT_EQ(ReadBytes(path), "[s]\r\nk=2\r\n");
    } else {
      EXPECT_FALSE(written);
      EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>(4, 10)) << "no wait after the last try";
      EXPECT_TRUE(std::filesystem::is_directory(path / "held"));
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left behind";
  }
}

}  // namespace
}  // namespace lt260
