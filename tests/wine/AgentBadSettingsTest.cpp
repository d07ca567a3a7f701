// The Agent started over a settings file that is not what it should be: empty,
// binary, huge, a folder, read-only, locked by another program, UTF-16 cut
// short. It starts in each, works with what it can read, never replaces what
// it could not read, and says what happened on its debug output. The cases
// follow one another in one Wine prefix, each with an Agent of its own.
#include <functional>
#include <random>

#include "AgentProcessFixture.h"
#include "cli/SteadyClock.h"
#include "settings/IniDocument.h"

namespace lt260 {
namespace {

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The settings the Agent would write, with slot 2 active.
std::string SettingsWithActiveTwo(const std::filesystem::path& scratch) {
  auto settings = std::make_unique<SettingsFile>();
  settings->Global.Totle = kMaxProfileCount;
  for (int slot = 0; slot < kMaxProfileCount; ++slot) {
    settings->Global.ProfileMap[slot] = slot;
    settings->Profiles[slot] = DefaultProfileSetting();
  }
  settings->Global.Active = 2;
  std::filesystem::remove(scratch);
  SteadyClock clock;
  WriteSettingsFile(scratch, *settings, clock);
  return Bytes(scratch);
}

std::string Utf16Le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

// Whether this system lets a program write to a file marked read-only: Wine
// running as root does, as the host's permissions do not bind root.
bool ReadOnlyIsWritable(const std::filesystem::path& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

enum class Afterwards {
  Untouched,  // the same bytes as before
  Edited,     // read, so the Agent's writes went in: "Device" is 1
  Folder,     // still an empty folder
};

struct BadFile {
  std::string name;
  // Makes the file at the path.
  std::function<void(const std::filesystem::path&)> make;
  // The active slot the Agent works with: read from the file, or the default.
  int active;
  // What the Agent says about the file on its debug output.
  std::string said;
  Afterwards afterwards;
  // Held open by another program, with no sharing, while the Agent runs.
  bool held = false;
};

TEST_F(AgentProcess, StartsOverBadSettingsFiles) {
  DebugOutputListener debug;
  std::string error;
  ASSERT_TRUE(debug.Start(error)) << error;
  ASSERT_NO_FATAL_FAILURE(OpenConfigurator());
  const std::string good = SettingsWithActiveTwo(folder_ / L"good.ini");
  ExclusiveFile holder;

  const std::vector<BadFile> cases = {
      {"empty", [](const auto& path) { WriteFileBytes(path, ""); }, 0,
       ": holds no settings; using the defaults", Afterwards::Edited},
      {"binary garbage",
       [](const auto& path) {
         std::mt19937 random(260);
         std::string bytes(64 * 1024, '\0');
         for (char& c : bytes) c = static_cast<char>(random());
         bytes[0] = 'x';  // never a byte-order mark
         WriteFileBytes(path, bytes);
       },
       0, ": holds no settings; using the defaults", Afterwards::Edited},
      {"100 MB",
       [&](const auto& path) {
         std::ofstream file(path, std::ios::binary | std::ios::trunc);
         file << good << "[Filler]\r\n";
         const std::string value(100, 'f');
         for (int line = 0; line < 900'000; ++line) file << 'k' << line << '=' << value << "\r\n";
       },
       2, ": loaded", Afterwards::Edited},
      {"a folder", [](const auto& path) { std::filesystem::create_directory(path); }, 0,
       ": cannot be read; using the defaults and leaving it alone", Afterwards::Folder},
      {"read-only",
       [&](const auto& path) {
         WriteFileBytes(path, good);
         ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
       },
       2, ": loaded", Afterwards::Untouched},
      {"held open exclusively", [&](const auto& path) { WriteFileBytes(path, good); }, 0,
       ": cannot be read; using the defaults and leaving it alone", Afterwards::Untouched, true},
      {"UTF-16 without its final newline",
       [](const auto& path) {
         WriteFileBytes(path, Utf16Le("[Setting]\r\nTotle=6\r\nCurrent=2\r\nActive=2"));
       },
       2, ": loaded", Afterwards::Edited},
  };

  int ran = 0;
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.name);
    ASSERT_TRUE(CleanQuendraAppData(error)) << error;
    bad.make(settings_);
    const std::string before =
        std::filesystem::is_regular_file(settings_) ? Bytes(settings_) : std::string();
    if (bad.held) {
      ASSERT_TRUE(holder.Open(settings_, error)) << error;
    }
    bool readOnlyBinds = true;
    if (bad.name == "read-only") {
      readOnlyBinds = !ReadOnlyIsWritable(settings_);
      if (!readOnlyBinds) {
        std::cout << "read-only: this system lets every program write read-only files (Wine "
                     "as root); the file is checked for its values, not its bytes\n";
      }
    }

    const size_t mark = ConfiguratorMark();
    const size_t syncs = configurator_->MessagesOf(WM_CFG_SYNC_DONE).size();
    const size_t stages = configurator_->MessagesOf(WM_CFG_DPI_STAGE).size();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(StartAgent(true));
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_SYNC_DONE, syncs + 1, 120s))
        << "the Agent did not read the mouse back";
    const auto startUp = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::cout << bad.name << ": " << before.size() << " bytes, start-up to the first read-back "
              << startUp.count() << " ms\n";
    EXPECT_TRUE(debug.WaitForLine(agent_->Id(), bad.said, 5s))
        << "the debug output does not say \"" << bad.said << "\"";

    // The DPI button says which slot the Agent took as active. Posted: with
    // the largest file the Agent may still be writing it.
    ASSERT_TRUE(Post(FindWindowTitled(kSimulatedMouseWindow), WM_SIM_PRESS_DPI, 3, 0, error))
        << error;
    ASSERT_TRUE(configurator_->WaitForMessages(WM_CFG_DPI_STAGE, stages + 1, 120s));
    ExpectAnswering();
    if (bad.name == "100 MB") ExpectIdle();
    ASSERT_NO_FATAL_FAILURE(StopAgent());
    holder.Close();
    EXPECT_EQ(PostedToConfigurator(mark),
              (std::vector<std::string>{"WM_CFG_SYNC_DONE 0 0",
                                        "WM_CFG_DPI_STAGE " + std::to_string(bad.active) + " 2",
                                        "WM_COMMAND 4294967295 0"}));

    switch (bad.afterwards) {
      case Afterwards::Untouched:
        if (readOnlyBinds) {
          EXPECT_EQ(Bytes(settings_) == before, true) << "the file was changed";
        } else {
          EXPECT_EQ(ReadSettingsInt(settings_, kGlobalSection, u"Active"), 2);
        }
        break;
      case Afterwards::Edited: {
        // Read once: a load of the largest file takes seconds.
        const std::string after = Bytes(settings_);
        EXPECT_GE(after.size(), before.size()) << "content was lost";
        if (before.rfind("\xFF\xFE", 0) == 0) {
          EXPECT_EQ(after.rfind("\xFF\xFE", 0), 0u) << "a UTF-16 file stays UTF-16";
        }
        const IniDocument document = IniDocument::Parse(
            std::span(reinterpret_cast<const uint8_t*>(after.data()), after.size()));
        EXPECT_EQ(document.ReadInt(kGlobalSection, u"Device", -1), 1);
        EXPECT_EQ(document.ReadInt(kGlobalSection, u"Active", -1),
                  bad.active == 0 ? -1 : bad.active);
        auto loaded = std::make_unique<SettingsFile>();
        ReadSettingsFile(document, *loaded);
        ValidateSettings(*loaded);
        EXPECT_EQ(loaded->Global.Active, bad.active);
        break;
      }
      case Afterwards::Folder:
        EXPECT_TRUE(std::filesystem::is_directory(settings_));
        EXPECT_TRUE(std::filesystem::is_empty(settings_));
        break;
    }
    if (std::filesystem::is_regular_file(settings_)) {
      ::SetFileAttributesW(settings_.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    ++ran;
  }
  std::error_code ignored;
  std::filesystem::remove_all(settings_, ignored);
  std::cout << ran << " of " << cases.size() << " bad settings files ran\n";
  EXPECT_EQ(ran, static_cast<int>(cases.size()));
}

}  // namespace
}  // namespace lt260
