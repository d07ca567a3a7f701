#include "settings/SettingsFileFormat.h"

#include <cstring>
#include <string>

#include "settings/IniFile.h"

namespace lt260 {
namespace {

std::u16string Indexed(std::u16string_view stem, int index) {
  std::u16string name(stem);
  const std::string digits = std::to_string(index);
  name.append(digits.begin(), digits.end());
  return name;
}

// The keys of a profile section in file order, with the default of each. One
// walk serves the reader and the writer, so the two can never disagree on
// names or order.
template <typename Profile, typename Visitor>
void VisitProfileKeys(Profile& profile, Visitor& visit) {
  visit.Int(u"GroupID", profile.GroupID, 0);
  visit.Int(u"DPI_Cur", profile.DPI_Cur, 3);
  for (int i = 0; i < kDpiStageCount; ++i) {
    visit.Int(Indexed(u"DPI_Value", i), profile.DPI_Value[i], kDefaultDpiValues[i]);
    visit.Int(Indexed(u"DPI_Color", i), profile.DPI_Color[i], kDefaultDpiColors[i]);
  }
  visit.Int(u"POLLRATE_VALUE", profile.POLLRATE_VALUE, 2);
  visit.Int(u"Enable_light", profile.Enable_light, 1);
  visit.Int(u"Cycle_enable", profile.Cycle_enable, 0);
  visit.Int(u"light_type", profile.light_type, 0);
  visit.Int(u"light_bright", profile.light_bright, 5);
  visit.Int(u"light_speed", profile.light_speed, 3);
  visit.Int(u"light_bright_colorID", profile.light_bright_colorID, 0);
  for (int i = 0; i < kLightModeCount; ++i) {
    visit.Int(Indexed(u"light_Color", i), profile.light_Color[i], kDefaultLightColor);
  }
  for (int i = 0; i < kLightModeCount; ++i) {
    visit.Int(Indexed(u"light_Cycle", i), profile.light_Cycle[i], kDefaultLightCycle[i]);
  }
  visit.Int(u"DBClick_Speed", profile.DBClick_Speed, 4);
  visit.Int(u"Scroll_Speed", profile.Scroll_Speed, 3);
  visit.Int(u"scroll_page", profile.scroll_page, 0);
  visit.Int(u"Mouse_Speed", profile.Mouse_Speed, 5);
  visit.Int(u"mouse_enhance", profile.mouse_enhance, 0);
  visit.Text(u"Profil_Name", profile.Profil_Name);
  visit.Text(u"SYNCFilesPath", profile.SYNCFilesPath);
  for (int i = 0; i < kButtonCount; ++i) {
    visit.Text(Indexed(u"ExePath", i), profile.ExePath[i]);
    visit.Text(Indexed(u"ExeName", i), profile.ExeName[i]);
    visit.Button(Indexed(u"ButtonAssigned", i), profile.ButtonAssigned[i], i);
  }
}

// The header keys in file order, "Device" aside; the map keys only below the
// profile count.
template <typename Global, typename Visitor>
void VisitGlobalKeys(Global& global, Visitor& visit) {
  visit.Int(u"Totle", global.Totle, kMaxProfileCount);
  visit.Int(u"Current", global.Current, 0);
  visit.Int(u"Active", global.Active, 0);
  visit.Int(u"Show_TrayIcon", global.Show_TrayIcon, 1);
  visit.Int(u"Show_OSD", global.Show_OSD, 1);
  visit.Int(u"lan_id", global.lan_id, 0);
  visit.Text(u"BGFilesPath", global.BGFilesPath);
  const int count = UsableProfileCount(global.Totle);
  for (int i = 0; i < count; ++i) visit.Int(Indexed(u"", i), global.ProfileMap[i], i);
}

class SectionReader {
 public:
  SectionReader(const IniDocument& document, std::u16string_view section)
      : document_(document), section_(section) {}

  void Int(std::u16string_view key, int32_t& field, int32_t defaultValue) {
    field = document_.ReadInt(section_, key, defaultValue);
  }
  template <std::size_t N>
  void Text(std::u16string_view key, TextField<N>& field) {
    SetFieldText(field, document_.ReadString(section_, key, u""));
  }
  // A record the file does not hold whole and intact is replaced by the
  // button's reset record, never taken in part.
  void Button(std::u16string_view key, ButtonAssignment& record, int buttonIndex) {
    uint8_t bytes[kButtonAssignmentSize];
    if (document_.ReadStruct(section_, key, bytes)) {
      std::memcpy(&record, bytes, sizeof bytes);
    } else {
      record = ResetButtonAssignmentFor(buttonIndex);
    }
  }

 private:
  const IniDocument& document_;
  std::u16string_view section_;
};

class SectionWriter {
 public:
  SectionWriter(IniDocument& document, std::u16string_view section)
      : document_(document), section_(section) {}

  void Int(std::u16string_view key, const int32_t& field, int32_t) {
    document_.WriteInt(section_, key, field);
  }
  template <std::size_t N>
  void Text(std::u16string_view key, const TextField<N>& field) {
    document_.WriteString(section_, key, FieldText(field));
  }
  void Button(std::u16string_view key, const ButtonAssignment& record, int) {
    uint8_t bytes[kButtonAssignmentSize];
    std::memcpy(bytes, &record, sizeof bytes);
    document_.WriteStruct(section_, key, bytes);
  }

 private:
  IniDocument& document_;
  std::u16string_view section_;
};

}  // namespace

std::u16string ProfileSectionName(int sectionNumber) {
  std::u16string name = Indexed(u"Profile", sectionNumber);
  name.append(u"Setting");
  return name;
}

std::u16string BulletSectionName(int bulletNumber) {
  return Indexed(u"BulletProfile", bulletNumber);
}

void ReadGlobalSetting(const IniDocument& document, GlobalSetting& global) {
  GlobalSetting scratch = DefaultGlobalSetting();
  SectionReader reader(document, kGlobalSection);
  VisitGlobalKeys(scratch, reader);
  // A count out of range reads one profile, and the record says so.
  scratch.Totle = UsableProfileCount(scratch.Totle);
  global = scratch;
}

void ReadProfileSetting(const IniDocument& document, int sectionNumber, ProfileSetting& profile) {
  ProfileSetting scratch{};
  const std::u16string section = ProfileSectionName(sectionNumber);
  SectionReader reader(document, section);
  VisitProfileKeys(scratch, reader);
  profile = scratch;
}

void WriteGlobalSetting(IniDocument& document, const GlobalSetting& global) {
  SectionWriter writer(document, kGlobalSection);
  VisitGlobalKeys(global, writer);
}

void WriteProfileSetting(IniDocument& document, int sectionNumber, const ProfileSetting& profile) {
  const std::u16string section = ProfileSectionName(sectionNumber);
  SectionWriter writer(document, section);
  VisitProfileKeys(profile, writer);
}

void ReadGlobalSetting(const std::filesystem::path& path, GlobalSetting& global) {
  ReadGlobalSetting(IniFile::Load(path).document, global);
}

void ReadProfileSetting(const std::filesystem::path& path, int sectionNumber,
                        ProfileSetting& profile) {
  ReadProfileSetting(IniFile::Load(path).document, sectionNumber, profile);
}

bool WriteGlobalSetting(const std::filesystem::path& path, const GlobalSetting& global,
                        Clock& clock) {
  return IniFile(path, clock).Update([&](IniDocument& document, IniFile::LoadStatus) {
    WriteGlobalSetting(document, global);
    return true;
  });
}

bool WriteProfileSetting(const std::filesystem::path& path, int sectionNumber,
                         const ProfileSetting& profile, Clock& clock) {
  return IniFile(path, clock).Update([&](IniDocument& document, IniFile::LoadStatus) {
    WriteProfileSetting(document, sectionNumber, profile);
    return true;
  });
}

}  // namespace lt260
