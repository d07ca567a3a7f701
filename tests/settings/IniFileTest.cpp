#include <gtest/gtest.h>

#include "settings/IniFile.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(IniFile, MissingFileReadsDefaultsAndTheFirstWriteCreatesIt) {
  TempDir dir;
  IniFile file(dir / "GamingMouse");
  EXPECT_EQ(file.Load().status, IniFile::LoadStatus::Missing);
  EXPECT_EQ(file.ReadInt(u"s", u"k", 42), 42);
  EXPECT_EQ(file.ReadString(u"s", u"k", u"d"), u"d");

  ASSERT_TRUE(file.WriteInt(u"Setting", u"Device", 1));
  EXPECT_EQ(ReadBytes(dir / "GamingMouse"), "[Setting]\r\nDevice=1\r\n");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "no temporary file is left behind";
}

TEST(IniFile, WriteWithoutItsFolderFailsAndCreatesNothing) {
  TempDir dir;
  IniFile file(dir / "Quendra" / "LT-260" / "GamingMouse");
  EXPECT_FALSE(file.WriteInt(u"Setting", u"Device", 1));
  EXPECT_EQ(EntriesIn(dir.Path()), 0u);
}

TEST(IniFile, EveryWriteStartsFromWhatIsOnDiskNow) {
  TempDir dir;
  const auto path = dir / "shared.ini";
  IniFile agent(path);
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
  IniFile file(path);
  EXPECT_EQ(file.Load().status, IniFile::LoadStatus::Unreadable);
  EXPECT_FALSE(file.WriteInt(u"s", u"k", 1));
  EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(IniFile, UpdateThatChangesNothingLeavesTheFileAlone) {
  TempDir dir;
  const auto path = dir / "a.ini";
  WriteBytes(path, "[s]\n k = 1 \n");
  const auto before = std::filesystem::last_write_time(path);
  IniFile file(path);
  EXPECT_TRUE(file.WriteInt(u"S", u"K", 1));
  EXPECT_FALSE(file.Update([](IniDocument& document, IniFile::LoadStatus) {
    document.WriteInt(u"s", u"k", 2);
    return false;  // abandoned
  }));
  EXPECT_EQ(ReadBytes(path), "[s]\n k = 1 \n");
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

}  // namespace
}  // namespace lt260
