// A settings write while another program holds the file open, as the
// Configurator's private-profile calls do for a moment: Windows refuses to
// replace an open file, and the write must land all the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "settings/IniFile.h"

namespace lt260 {
namespace {

std::filesystem::path FreshFile() {
  const auto folder = std::filesystem::temp_directory_path() / "lt260-sharing";
  std::filesystem::create_directories(folder);
  const auto path = folder / "GamingMouse";
  std::filesystem::remove(path);
  return path;
}

TEST(IniFileSharing, WriteLandsWhileAReaderHoldsTheFileOpen) {
  const auto path = FreshFile();
  IniFile file(path);
  ASSERT_TRUE(file.WriteInt(u"Setting", u"Device", 0));

  // Open the way the profile functions and the C runtime do: sharing reading
  // and writing, not deletion.
  HANDLE reader =
      CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(file.WriteInt(u"Setting", u"Device", 1));
  {
    std::ifstream alsoOpen(path, std::ios::binary);
    EXPECT_TRUE(file.WriteInt(u"Profile0Setting", u"DPI_Cur", 4));
  }
  CloseHandle(reader);

  EXPECT_EQ(file.ReadInt(u"Setting", u"Device", -1), 1);
  EXPECT_EQ(file.ReadInt(u"Profile0Setting", u"DPI_Cur", -1), 4);
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
    EXPECT_EQ(entry.path().filename(), "GamingMouse") << "no temporary file is left behind";
  }
}

}  // namespace
}  // namespace lt260
