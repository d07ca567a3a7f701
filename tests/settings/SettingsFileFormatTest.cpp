#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/IniValue.h"
#include "settings/SettingsFileFormat.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

bool SameRecord(const ButtonAssignment& a, const ButtonAssignment& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The key names of one section in file order, read off the file's lines.
std::vector<std::string> KeysOfSection(const std::string& text, const std::string& section) {
  std::vector<std::string> keys;
  bool inside = false;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(begin, end - begin);
    begin = end + 2;
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + section + "]";
    } else if (inside) {
      keys.push_back(line.substr(0, line.find('=')));
    }
  }
  return keys;
}

TEST(ProfileSection, IsWrittenWholeInTheConfiguratorsKeyOrder) {
  IniDocument document;
  WriteProfileSetting(document, 4, DefaultProfileSetting());
  const std::vector<uint8_t> bytes = document.Serialize();
  const std::vector<std::string> keys =
      KeysOfSection(std::string(bytes.begin(), bytes.end()), "Profile4Setting");

  std::vector<std::string> expected = {"GroupID", "DPI_Cur"};
  for (int i = 0; i < 7; ++i) {
    expected.push_back("DPI_Value" + std::to_string(i));
    expected.push_back("DPI_Color" + std::to_string(i));
  }
  for (const char* key : {"POLLRATE_VALUE", "Enable_light", "Cycle_enable", "light_type",
                          "light_bright", "light_speed", "light_bright_colorID"}) {
    expected.push_back(key);
  }
  for (int i = 0; i < 7; ++i) expected.push_back("light_Color" + std::to_string(i));
  for (int i = 0; i < 7; ++i) expected.push_back("light_Cycle" + std::to_string(i));
  for (const char* key : {"DBClick_Speed", "Scroll_Speed", "scroll_page", "Mouse_Speed",
                          "mouse_enhance", "Profil_Name", "SYNCFilesPath"}) {
    expected.push_back(key);
  }
  for (int i = 0; i < 7; ++i) {
    expected.push_back("ExePath" + std::to_string(i));
    expected.push_back("ExeName" + std::to_string(i));
    expected.push_back("ButtonAssigned" + std::to_string(i));
  }
  ASSERT_EQ(expected.size(), 65u);
  EXPECT_EQ(keys, expected);
}

TEST(ProfileSection, RoundTripsEveryField) {
  ProfileSetting profile = DefaultProfileSetting();
  profile.GroupID = 7;
  profile.DPI_Color[3] = 0xFFFF00;
  profile.light_Cycle[6] = -1;
  profile.mouse_enhance = 1;
  SetFieldText(profile.Profil_Name, u"N\u00E4me \"quoted\"");
  SetFieldText(profile.ExePath[6], u"C:\\Games\\x.exe");
  profile.ButtonAssigned[5].FunctionCode = kMacroFunctionCode;
  profile.ButtonAssigned[5].MacroEvents[0] = {0x1E, 0xAA, 0x0101};
  profile.ButtonAssigned[5].Reserved2[1] = 0x77;

  IniDocument document;
  WriteProfileSetting(document, 2, profile);
  EXPECT_EQ(document.ReadString(u"Profile2Setting", u"DPI_Color3", u""), u"16776960");

  ProfileSetting read{};
  ReadProfileSetting(document, 2, read);
  EXPECT_EQ(std::memcmp(&read, &profile, sizeof read), 0);
}

TEST(ProfileSection, MissingSectionGivesDefaultsAndResetButtons) {
  ProfileSetting read{};
  ReadProfileSetting(IniDocument{}, 3, read);
  const ProfileSetting expected = DefaultProfileSetting();
  EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0);
}

TEST(ProfileSection, DamagedButtonRecordGivesThatButtonItsResetRecord) {
  ProfileSetting profile = DefaultProfileSetting();
  for (ButtonAssignment& button : profile.ButtonAssigned) {
    button.FunctionCode = 0xB3;
    button.MacroIndex = 5;
  }
  IniDocument written;
  WriteProfileSetting(written, 0, profile);
  const std::u16string good = written.ReadString(u"Profile0Setting", u"ButtonAssigned2", u"");

  std::u16string wrongChecksum = good;
  wrongChecksum.back() = wrongChecksum.back() == u'0' ? u'1' : u'0';
  for (const std::u16string& damaged :
       {good.substr(0, good.size() - 2), wrongChecksum, std::u16string(u"zz")}) {
    IniDocument document = written;
    ASSERT_TRUE(document.WriteString(u"Profile0Setting", u"ButtonAssigned2", damaged));
    ProfileSetting read{};
    ReadProfileSetting(document, 0, read);
    EXPECT_TRUE(SameRecord(read.ButtonAssigned[2], ResetButtonAssignmentFor(2)));
    for (int i : {0, 1, 3, 4, 5, 6}) {
      EXPECT_TRUE(SameRecord(read.ButtonAssigned[i], profile.ButtonAssigned[i])) << i;
    }
  }
}

TEST(ProfileSection, LongTextIsCutToItsFieldAndNeverRunsIntoTheNext) {
  IniDocument document;
  const std::u16string longName(80, u'n');
  const std::u16string longPath(400, u'p');
  document.WriteString(u"Profile0Setting", u"Profil_Name", longName);
  document.WriteString(u"Profile0Setting", u"ExePath0", longPath);
  document.WriteInt(u"Profile0Setting", u"DPI_Cur", 2);
  ProfileSetting read{};
  ReadProfileSetting(document, 0, read);
  EXPECT_EQ(FieldText(read.Profil_Name), longName.substr(0, 49));
  EXPECT_EQ(FieldText(read.ExePath[0]), longPath.substr(0, 259));
  EXPECT_EQ(read.DPI_Cur, 2);
  EXPECT_EQ(FieldText(read.ExeName[0]), u"");
}

TEST(GlobalSection, ReadsTheMapKeysBelowTheCountOnly) {
  const std::string text =
      "[Setting]\r\nTotle=3\r\nActive=2\r\n0=3\r\n1=0\r\n2=1\r\n3=5\r\n4=5\r\n5=5\r\nDevice=1\r\n";
  const IniDocument document =
      IniDocument::Parse(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  GlobalSetting global{};
  ReadGlobalSetting(document, global);
  EXPECT_EQ(global.Totle, 3);
  EXPECT_EQ(global.Active, 2);
  EXPECT_EQ(global.Show_TrayIcon, 1);
  EXPECT_EQ(global.ProfileMap[0], 3);
  EXPECT_EQ(global.ProfileMap[1], 0);
  EXPECT_EQ(global.ProfileMap[2], 1);
  EXPECT_EQ(global.ProfileMap[3], 3) << "unread: the slot's own index";

  IniDocument written;
  WriteGlobalSetting(written, global);
  const std::vector<uint8_t> bytes = written.Serialize();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "[Setting]\r\nTotle=3\r\nCurrent=0\r\nActive=2\r\nShow_TrayIcon=1\r\nShow_OSD=1\r\n"
            "lan_id=0\r\nBGFilesPath=\r\n0=3\r\n1=0\r\n2=1\r\n");
}

TEST(GlobalSection, CountOutOfRangeReadsOneMapKey) {
  for (const char* totle : {"9", "0", "-1", "abc"}) {
    const std::string text = std::string("[Setting]\r\nTotle=") + totle + "\r\n0=4\r\n1=4\r\n";
    const IniDocument document =
        IniDocument::Parse(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    GlobalSetting global{};
    ReadGlobalSetting(document, global);
    EXPECT_EQ(global.Totle, 1) << totle;
    EXPECT_EQ(global.ProfileMap[0], 4);
    EXPECT_EQ(global.ProfileMap[1], 1);
  }
}

TEST(SettingsFilePaths, WriteReplacesTheFileOnceAndKeepsOtherSections) {
  TempDir dir;
  const auto path = dir / "GamingMouse";
  WriteBytes(path, "[Setting]\r\nTotle=1\r\n[Mine]\r\nx=1\r\n");
  ProfileSetting profile = DefaultProfileSetting();
  profile.DPI_Cur = 6;
  test::FakeClock clock;
  ASSERT_TRUE(WriteProfileSetting(path, 0, profile, clock));
  const std::string text = ReadBytes(path);
  EXPECT_EQ(text.rfind("[Setting]\r\nTotle=1\r\n[Mine]\r\nx=1\r\n[Profile0Setting]\r\n", 0), 0u);
  ProfileSetting read{};
  ReadProfileSetting(path, 0, read);
  EXPECT_EQ(read.DPI_Cur, 6);
}

}  // namespace
}  // namespace lt260
