#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "settings/IniFile.h"
#include "settings/SettingsFileFormat.h"
#include "settings/SettingsStore.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

using test::FakeClock;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// The agent window's three copies.
struct Copies {
  SettingsFile loaded{};
  SettingsFile applied{};
  ProfileSetting active{};
};

std::unique_ptr<Copies> Load(const std::filesystem::path& path) {
  auto copies = std::make_unique<Copies>();
  FakeClock clock;
  LoadSettings(path, copies->loaded, copies->applied, copies->active, clock);
  return copies;
}

bool SameProfile(const ProfileSetting& a, const ProfileSetting& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

std::vector<std::string> SectionsOf(const std::string& text) {
  std::vector<std::string> sections;
  for (std::size_t at = text.find('['); at != std::string::npos; at = text.find("\n[", at)) {
    if (at > 0) ++at;
    sections.push_back(text.substr(at + 1, text.find(']', at) - at - 1));
  }
  return sections;
}

TEST(LoadSettings, MissingFileIsCreatedWithSixDefaultProfiles) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  const auto copies = Load(path);

  const std::string text = ReadBytes(path);
  EXPECT_EQ(
      SectionsOf(text),
      (std::vector<std::string>{"Setting", "Profile0Setting", "Profile1Setting", "Profile2Setting",
                                "Profile3Setting", "Profile4Setting", "Profile5Setting"}));
  EXPECT_EQ(text.rfind(
                "[Setting]\r\nTotle=6\r\nCurrent=0\r\nActive=0\r\nShow_TrayIcon=1\r\nShow_OSD=1\r\n"
                "lan_id=0\r\nBGFilesPath=\r\n0=0\r\n1=1\r\n2=2\r\n3=3\r\n4=4\r\n5=5\r\n"
                "[Profile0Setting]\r\nGroupID=0\r\nDPI_Cur=3\r\nDPI_Value0=2\r\nDPI_Color0=255\r\n",
                0),
            0u);
  EXPECT_EQ(copies->active.DPI_Cur, 3);
  EXPECT_TRUE(SameProfile(copies->active, DefaultProfileSetting()));
  EXPECT_EQ(std::memcmp(&copies->loaded, &copies->applied, sizeof(SettingsFile)), 0);

  // What was created reads back as the same record.
  const auto again = Load(path);
  EXPECT_EQ(std::memcmp(&again->loaded, &copies->loaded, sizeof(SettingsFile)), 0);
  EXPECT_EQ(ReadBytes(path), text);
}

TEST(LoadSettings, MissingFolderLeavesDefaultsInMemoryOnly) {
  TempDir dir;
  const auto path = dir / "Quendra" / "LT-260" / "GamingMouse";
  const auto copies = Load(path);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(copies->loaded.Global.Totle, 6);
  EXPECT_TRUE(SameProfile(copies->active, DefaultProfileSetting()));
}

TEST(LoadSettings, EmptyPathGivesDefaultsAndWritesNothing) {
  TempDir dir;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const auto copies = Load({});
  FakeClock clock;
  EXPECT_FALSE(SaveDevicePresence({}, 1, clock));
  EXPECT_FALSE(SaveDpiStage({}, 0, 2, clock));
  std::filesystem::current_path(before);
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "nothing lands in the working folder";
  EXPECT_TRUE(SameProfile(copies->active, DefaultProfileSetting()));
}

TEST(LoadSettings, ExistingFileIsNeverRewrittenEvenWhenValidationCorrectsIt) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  const std::string text =
      "[Setting]\r\nTotle=3\r\nActive=5\r\nShow_TrayIcon=2\r\n"
      "[Profile0Setting]\r\nDPI_Cur=9\r\nlight_speed=0\r\n";
  WriteBytes(path, text);
  const auto copies = Load(path);
  EXPECT_EQ(copies->loaded.Global.Active, 0);
  EXPECT_EQ(copies->applied.Global.Active, 0);
  EXPECT_EQ(copies->applied.Global.Show_TrayIcon, 1);
  EXPECT_EQ(copies->active.DPI_Cur, 3);
  EXPECT_EQ(copies->active.light_speed, 3);
  EXPECT_EQ(ReadBytes(path), text);
}

TEST(LoadSettings, CountOutOfRangeReadsOneProfileFromMapKeyZero) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  const std::string text =
      "[Setting]\r\nTotle=9\r\n0=4\r\n[Profile4Setting]\r\nDPI_Cur=6\r\n"
      "[Profile0Setting]\r\nDPI_Cur=1\r\n";
  WriteBytes(path, text);
  const auto copies = Load(path);
  EXPECT_EQ(copies->loaded.Global.Totle, 1);
  EXPECT_EQ(copies->active.DPI_Cur, 6);
  EXPECT_EQ(ReadBytes(path), text) << "the file still says 9";
}

TEST(LoadSettings, MapSelectsTheSectionOfEachSlot) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  WriteBytes(path,
             "[Setting]\r\nTotle=3\r\nActive=1\r\n0=3\r\n1=0\r\n2=1\r\n"
             "[Profile0Setting]\r\nDPI_Cur=1\r\n[Profile1Setting]\r\nDPI_Cur=2\r\n"
             "[Profile3Setting]\r\nDPI_Cur=4\r\n");
  const auto copies = Load(path);
  EXPECT_EQ(copies->loaded.Profiles[0].DPI_Cur, 4);
  EXPECT_EQ(copies->loaded.Profiles[1].DPI_Cur, 1);
  EXPECT_EQ(copies->loaded.Profiles[2].DPI_Cur, 2);
  EXPECT_EQ(copies->active.DPI_Cur, 1);
}

TEST(LoadSettings, OnlyTheHeaderGivesDefaultProfiles) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  WriteBytes(path, "[Setting]\r\nTotle=2\r\n");
  const auto copies = Load(path);
  EXPECT_EQ(copies->loaded.Global.Totle, 2);
  EXPECT_TRUE(SameProfile(copies->loaded.Profiles[0], DefaultProfileSetting()));
  EXPECT_TRUE(SameProfile(copies->loaded.Profiles[1], DefaultProfileSetting()));
}

TEST(LoadSettings, SaysWhatItFoundAndWritesOnlyWhereThereWasNoFile) {
  TempDir dir;
  SettingsFile loaded{}, applied{};
  ProfileSetting active{};
  FakeClock clock;
  auto outcome = [&](const std::filesystem::path& path) {
    return LoadSettings(path, loaded, applied, active, clock);
  };
  EXPECT_EQ(outcome(dir / "GamingMouse"), SettingsLoadOutcome::Created);
  EXPECT_EQ(outcome(dir / "GamingMouse"), SettingsLoadOutcome::Loaded);
  EXPECT_EQ(outcome(dir / "absent" / "GamingMouse"), SettingsLoadOutcome::NotCreated);

  WriteBytes(dir / "empty", "");
  EXPECT_EQ(outcome(dir / "empty"), SettingsLoadOutcome::HeldNothing);
  WriteBytes(dir / "binary", std::string("\0\x01\xff[\xfe]\n=\x80\0", 11));
  EXPECT_EQ(outcome(dir / "binary"), SettingsLoadOutcome::HeldNothing);
  EXPECT_EQ(ReadBytes(dir / "empty"), "") << "a file that was read is not filled in";

  std::filesystem::create_directory(dir / "folder");
  EXPECT_EQ(outcome(dir / "folder"), SettingsLoadOutcome::Unreadable);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "folder"));
  EXPECT_EQ(outcome({}), SettingsLoadOutcome::Unreadable);
  EXPECT_TRUE(SameProfile(active, DefaultProfileSetting()));
}

TEST(SaveDpiStage, WritesTheSectionItIsGivenAndNothingElse) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  Load(path);  // creates the default file
  const std::string before = ReadBytes(path);

  FakeClock clock;
  ASSERT_TRUE(SaveDpiStage(path, 1, 2, clock));
  std::string expected = before;
  const std::size_t section = expected.find("[Profile1Setting]");
  const std::size_t key = expected.find("DPI_Cur=3", section);
  expected.replace(key, 9, "DPI_Cur=2");
  EXPECT_EQ(ReadBytes(path), expected);

  // With the identity map the next load sees the stage in slot 1.
  IniFile(path, clock).WriteInt(u"Setting", u"Active", 1);
  EXPECT_EQ(Load(path)->active.DPI_Cur, 2);

  // When slot 1 lives in section 3, the stage lands where the slot is not read.
  IniFile(path, clock).WriteInt(u"Setting", u"1", 3);
  ASSERT_TRUE(SaveDpiStage(path, 1, 5, clock));
  EXPECT_EQ(Load(path)->active.DPI_Cur, 3);
}

TEST(SaveDevicePresence, WritesTheDeviceKeyOnly) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  WriteBytes(path, "[Setting]\r\nTotle=1\r\n\r\n[Profile0Setting]\r\nDPI_Cur=1\r\n");
  FakeClock clock;
  ASSERT_TRUE(SaveDevicePresence(path, 1, clock));
  EXPECT_EQ(ReadBytes(path),
            "[Setting]\r\nTotle=1\r\nDevice=1\r\n\r\n[Profile0Setting]\r\nDPI_Cur=1\r\n");
  ASSERT_TRUE(SaveDevicePresence(path, 0, clock));
  EXPECT_EQ(IniFile(path, clock).ReadInt(u"Setting", u"Device", -1), 0);
}

TEST(WriteSettingsFile, WritesTheSlotsBelowTheCountUnderTheirMappedSections) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  auto settings = std::make_unique<SettingsFile>();
  settings->Global = DefaultGlobalSetting();
  settings->Global.Totle = 2;
  settings->Global.ProfileMap[0] = 5;
  settings->Global.ProfileMap[1] = 2;
  for (ProfileSetting& profile : settings->Profiles) profile = DefaultProfileSetting();
  settings->Profiles[0].DPI_Cur = 1;
  settings->Profiles[1].DPI_Cur = 2;
  FakeClock clock;
  ASSERT_TRUE(WriteSettingsFile(path, *settings, clock));
  EXPECT_EQ(SectionsOf(ReadBytes(path)),
            (std::vector<std::string>{"Setting", "Profile5Setting", "Profile2Setting"}));

  auto read = std::make_unique<SettingsFile>();
  ReadSettingsFile(path, *read);
  EXPECT_EQ(read->Profiles[0].DPI_Cur, 1);
  EXPECT_EQ(read->Profiles[1].DPI_Cur, 2);
}

}  // namespace
}  // namespace lt260
