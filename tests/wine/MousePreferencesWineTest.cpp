// The mouse preferences applied through the real Win32 ports, read back from
// the system. The pointer speed is left to the native tests: Wine 8 takes it
// from the other argument than Windows does, so what the Agent sets reads back 0.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/Win32RegistryAccess.h"
#include "platform/win32/Win32SystemParameters.h"
#include "support/RecordingPorts.h"
#include "sysprefs/MousePreferences.h"
#include "sysprefs/RegistryKeyWriter.h"

namespace lt260 {
namespace {

constexpr const wchar_t* kMouseKey = L"Control Panel\\Mouse";
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const wchar_t* kScratchKey = L"Software\\LT260 MousePreferencesWineTest";

// A registry value as stored: its type and its bytes.
struct StoredValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

std::optional<StoredValue> ReadValue(const wchar_t* subKey, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  StoredValue value;
  DWORD size = 0;
  LONG result = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value.data.resize(size);
    result = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return std::nullopt;
  return value;
}

void RestoreValue(const wchar_t* subKey, const wchar_t* name,
                  const std::optional<StoredValue>& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  if (value) {
    RegSetValueExW(key, name, 0, value->type, value->data.data(),
                   static_cast<DWORD>(value->data.size()));
  } else {
    RegDeleteValueW(key, name);
  }
  RegCloseKey(key);
}

// The exact REG_SZ the Agent must leave: the text and its terminating null.
StoredValue RegSz(std::wstring_view text) {
  StoredValue value{REG_SZ, {}};
  const std::wstring terminated(text);
  const auto* bytes = reinterpret_cast<const BYTE*>(terminated.c_str());
  value.data.assign(bytes, bytes + (terminated.size() + 1) * sizeof(wchar_t));
  return value;
}

struct MouseTriple {
  int threshold1, threshold2, acceleration;
  friend bool operator==(const MouseTriple&, const MouseTriple&) = default;
};

MouseTriple CurrentMouse() {
  int triple[3] = {-1, -1, -1};
  SystemParametersInfoW(SPI_GETMOUSE, 0, triple, 0);
  return {triple[0], triple[1], triple[2]};
}

UINT CurrentWheelLines() {
  UINT lines = 0;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  return lines;
}

class MousePreferencesWineTest : public ::testing::Test {
 protected:
  // The prefix is shared by the Wine tests of one build: put back what we change.
  void SetUp() override {
    doubleClickTime_ = GetDoubleClickTime();
    mouse_ = CurrentMouse();
    SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed_, 0);
    wheelLines_ = CurrentWheelLines();
    for (const wchar_t* name : kMouseValues) saved_.push_back(ReadValue(kMouseKey, name));
    savedWheelLines_ = ReadValue(kDesktopKey, L"WheelScrollLines");
  }

  void TearDown() override {
    SetDoubleClickTime(doubleClickTime_);
    int triple[3] = {mouse_.threshold1, mouse_.threshold2, mouse_.acceleration};
    SystemParametersInfoW(SPI_SETMOUSE, 0, triple, SPIF_SENDCHANGE);
    // The speed in both arguments: Windows reads the pointer, Wine the integer.
    SystemParametersInfoW(SPI_SETMOUSESPEED, static_cast<UINT>(speed_),
                          reinterpret_cast<void*>(static_cast<uintptr_t>(speed_)), SPIF_SENDCHANGE);
    SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, wheelLines_, nullptr, SPIF_UPDATEINIFILE);
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      RestoreValue(kMouseKey, kMouseValues[i], saved_[i]);
    }
    RestoreValue(kDesktopKey, L"WheelScrollLines", savedWheelLines_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kScratchKey);
  }

  void Apply(const ProfileSetting& profile) {
    RegistryKeyWriter writer(registry);
    ApplyMousePreferences(profile, {system, registry, writer, debug});
    EXPECT_TRUE(writer.IsOpen());
  }

  static constexpr const wchar_t* kMouseValues[] = {L"DoubleClickSpeed", L"MouseSpeed",
                                                    L"MouseThreshold1", L"MouseThreshold2"};

  Win32SystemParameters system;
  Win32RegistryAccess registry;
  test::RecordingDebugOutput debug;

 private:
  UINT doubleClickTime_ = 0;
  MouseTriple mouse_{};
  int speed_ = 0;
  UINT wheelLines_ = 0;
  std::vector<std::optional<StoredValue>> saved_;
  std::optional<StoredValue> savedWheelLines_;
};

TEST_F(MousePreferencesWineTest, EnhancedPrecisionAndWheelLines) {
  ProfileSetting profile = DefaultProfileSetting();
  profile.DBClick_Speed = 10;
  profile.mouse_enhance = 1;
  profile.Mouse_Speed = 10;
  profile.Scroll_Speed = 7;
  Apply(profile);

  EXPECT_EQ(GetDoubleClickTime(), 200u);
  EXPECT_EQ(ReadValue(kMouseKey, L"DoubleClickSpeed"), RegSz(L"200"));
  EXPECT_EQ(ReadValue(kMouseKey, L"MouseSpeed"), RegSz(L"1"));
  EXPECT_EQ(ReadValue(kMouseKey, L"MouseThreshold1"), RegSz(L"6"));
  EXPECT_EQ(ReadValue(kMouseKey, L"MouseThreshold2"), RegSz(L"10"));
  EXPECT_EQ(CurrentMouse(), (MouseTriple{6, 10, 1}));
  EXPECT_EQ(CurrentWheelLines(), 7u);
  EXPECT_EQ(ReadValue(kDesktopKey, L"WheelScrollLines"), RegSz(L"7"));
}

TEST_F(MousePreferencesWineTest, DefaultsWithoutAccelerationAndPageScrolling) {
  ProfileSetting profile = DefaultProfileSetting();
  profile.scroll_page = 1;
  Apply(profile);

  EXPECT_EQ(GetDoubleClickTime(), 680u);
  EXPECT_EQ(ReadValue(kMouseKey, L"DoubleClickSpeed"), RegSz(L"680"));
  for (const wchar_t* name : {L"MouseSpeed", L"MouseThreshold1", L"MouseThreshold2"}) {
    EXPECT_EQ(ReadValue(kMouseKey, name), RegSz(L"0"));
  }
  EXPECT_EQ(CurrentMouse(), (MouseTriple{0, 0, 0}));
  EXPECT_EQ(CurrentWheelLines(), WHEEL_PAGESCROLL);
  EXPECT_EQ(ReadValue(kDesktopKey, L"WheelScrollLines"), RegSz(L"4294967295"));
}

TEST_F(MousePreferencesWineTest, WriterCreatesAMissingKeyNamedInAnyCase) {
  ASSERT_EQ(ReadValue(kScratchKey, L"Value"), std::nullopt);
  {
    RegistryKeyWriter writer(registry);
    ASSERT_TRUE(writer.Open(u"hKey_Current_User\\Software\\LT260 MousePreferencesWineTest",
                            kRegistryAllAccess));
    EXPECT_TRUE(writer.SetString(u"Value", u"text"));
    EXPECT_TRUE(writer.SetString(u"Empty", u""));
  }
  EXPECT_EQ(ReadValue(kScratchKey, L"Value"), RegSz(L"text"));
  EXPECT_EQ(ReadValue(kScratchKey, L"Empty"), RegSz(L""));
}

}  // namespace
}  // namespace lt260
