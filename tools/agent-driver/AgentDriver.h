#pragma once

// Drives the Agent as a whole program, from outside, the way the Configurator
// and Windows meet it: an installation folder of its own, the process started
// with chosen environment variables, windows found by title and messages
// posted to them, stand-in windows for the Configurator and the on-screen
// display that write down what reaches them, and the Agent's traces in the
// world: the settings file, the registry, the simulated mouse's transfer log.
//
// Windows only. Every operation that can fail says what went wrong in an
// `error` text (or by an empty result, where "nothing there" is an answer).
#include <windows.h>
// The device and session notices the drivers post as Windows would.
#include <dbt.h>
#include <wtsapi32.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "sim/TransferTrace.h"

namespace lt260::driver {

using namespace std::chrono_literals;

// How long a wait for something the Agent does in a moment may last before it
// counts as never happening: a hang guard, not a measure of speed.
inline constexpr std::chrono::milliseconds kPatience = 20s;

// ---------------------------------------------------------------- paths

// A path as the build wrote it down: a Unix path is reached under Wine through
// drive Z:, which a new prefix maps to the root; a Windows path is kept.
std::filesystem::path FromBuildPath(std::string_view buildPath);

// "%APPDATA%\Quendra\LT-260\GamingMouse" of this user, as the Agent builds it.
std::filesystem::path SettingsFilePath();
// Removes "%APPDATA%\Quendra" and everything in it, so that a run starts with
// no settings file, and makes the empty folder "Quendra\LT-260" again, as an
// installation does: the Agent writes its files there but never creates it.
bool CleanQuendraAppData(std::string& error);

// What an installation folder is made from. The language folder "Lan" is
// taken from beside the Agent.
struct InstallationSources {
  std::filesystem::path Agent;         // LT260AgentSim.exe
  std::filesystem::path Configurator;  // the stand-in built as Gaming.exe
  std::filesystem::path Companion;     // CheckPidVid.dll
};

// Makes a new folder below the user's temporary folder and copies the Agent,
// Gaming.exe, Lan\ and CheckPidVid.dll into it. Returns the folder, or an
// empty path after describing the problem in `error`.
std::filesystem::path PrepareInstallation(const InstallationSources& sources, std::string& error);

// ---------------------------------------------------------------- processes

// A program started by the driver. Ended (forcibly) by the destructor if it
// still runs, so that a failed test leaves nothing behind.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `exe` in its own folder, with this process's environment plus
  // `environment` (each name set to its value, replacing an inherited one).
  bool Start(const std::filesystem::path& exe,
             const std::vector<std::pair<std::wstring, std::wstring>>& environment,
             std::string& error);

  bool Started() const { return process_ != nullptr; }
  bool Running() const;
  DWORD Id() const { return id_; }
  // The exit code once the program has ended within `limit`; empty otherwise.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit = kPatience);
  // Ends the program if it still runs.
  void Terminate();
  // The processor time (user and kernel) the program has used so far, from
  // the host's accounting of the Wine process that runs it (Wine does not
  // keep it for other processes); empty when that cannot be found.
  std::optional<std::chrono::milliseconds> ProcessorTime() const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
  std::wstring exe_;
};

// Listens to the debug output of every program of this session, as a
// debug-output viewer does, for as long as it lives: the lines each program
// writes with OutputDebugString, kept in order. One listener at a time.
class DebugOutputListener {
 public:
  DebugOutputListener() = default;
  ~DebugOutputListener();
  DebugOutputListener(const DebugOutputListener&) = delete;
  DebugOutputListener& operator=(const DebugOutputListener&) = delete;

  bool Start(std::string& error);
  // The lines of the program with this process id so far, each as written
  // (line ends included).
  std::vector<std::string> Lines(DWORD processId) const;
  // Waits until a line of that program contains `text`.
  bool WaitForLine(DWORD processId, std::string_view text,
                   std::chrono::milliseconds limit = kPatience) const;

 private:
  void Run();

  HANDLE bufferReady_ = nullptr;
  HANDLE dataReady_ = nullptr;
  HANDLE mapping_ = nullptr;
  const char* view_ = nullptr;
  HANDLE stop_ = nullptr;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::pair<DWORD, std::string>> lines_;
};

// Holds a file open with no sharing at all, as a program that locks it does,
// until destroyed.
class ExclusiveFile {
 public:
  ExclusiveFile() = default;
  ~ExclusiveFile();
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  bool Open(const std::filesystem::path& path, std::string& error);
  void Close();

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Ends what a process test started: Gaming.exe started by the Agent (closing
// its window ends it; `standIn` is a stand-in window of the test, left alone),
// then the Agent (closing its window). Each gets at most 10 s.
void EndAgentAndGaming(ChildProcess& agent, HWND standIn);

// ---------------------------------------------------------------- windows and messages

// The top-level window with this title, or nullptr.
HWND FindWindowTitled(std::wstring_view title);
// Waits until the window exists; nullptr when it did not appear in time.
HWND WaitForWindow(std::wstring_view title, std::chrono::milliseconds limit = kPatience);
// Waits until no window has the title.
bool WaitForNoWindow(std::wstring_view title, std::chrono::milliseconds limit = kPatience);

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::string& error);
// Sends and waits for the answer at most `limit`; the answer in `result`.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
          std::string& error, std::chrono::milliseconds limit = kPatience);

// Checks `condition` every 20 ms until it holds or `limit` has passed.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = kPatience);

// A readable name for the numbers the Agent and the Configurator exchange
// ("WM_CFG_DPI_STAGE"), or the number in hexadecimal.
std::string MessageName(UINT message);

// One message as a stand-in window received it.
struct ReceivedMessage {
  UINT Message = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  bool Posted = false;  // taken from the queue, rather than sent to the window
};

// A hidden top-level window with the given title on a thread of its own with
// its own message loop, standing in for another program of the suite. It
// writes down every message it receives, posted or sent, and lets nobody end
// it: a posted WM_DESTROY is recorded and never dispatched, WM_CLOSE is
// recorded and ignored. It ends with the object.
class StandInWindow {
 public:
  explicit StandInWindow(std::wstring title);
  ~StandInWindow();
  StandInWindow(const StandInWindow&) = delete;
  StandInWindow& operator=(const StandInWindow&) = delete;

  // Creates the window; false with the reason when it could not be made.
  bool Open(std::string& error);
  HWND Handle() const { return window_; }

  std::vector<ReceivedMessage> Messages() const;
  // The messages with this number, in the order received.
  std::vector<ReceivedMessage> MessagesOf(UINT message) const;
  // Waits until at least `count` messages with this number have arrived.
  bool WaitForMessages(UINT message, size_t count, std::chrono::milliseconds limit = kPatience);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Run();
  void Record(UINT message, WPARAM wParam, LPARAM lParam, bool posted);

  std::wstring title_;
  std::wstring className_;
  std::thread thread_;
  HWND window_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool openDone_ = false;
  std::string openError_;
  bool dispatchingPosted_ = false;  // touched on the window's thread only
  std::vector<ReceivedMessage> received_;
};

// ---------------------------------------------------------------- the simulated mouse

inline constexpr wchar_t kSimulatedMouseWindow[] = L"LT-260 Simulated Mouse";

// Sends a control message (WM_SIM_PLUG and the rest) to the simulator's
// control window and waits until the mouse has acted on it, so that the
// device notice it posts to the Agent is queued before anything posted after.
bool ControlSimulatedMouse(UINT message, WPARAM wParam, std::string& error);
// Makes the simulated mouse answer its reads of report 3 or 4 with `report`
// (the whole report, ID first), as lt260-sim-control's "hold" does.
bool HoldSimulatedReport(const std::vector<uint8_t>& report, std::string& error);

// The simulated mouse's transfer log as it stands, one transfer a trace line
// (TraceLine); empty when it does not exist yet. A line that is not a
// transfer is reported in `error` and skipped.
std::vector<TransferRecord> ReadTransferLog(const std::filesystem::path& log, std::string& error);
// Bytes as the trace writes them: "03 02 ff".
std::string Hex(const uint8_t* bytes, size_t count);

// ---------------------------------------------------------------- files and registry

// Every line of a text file, without line ends; empty when it does not exist.
std::vector<std::string> ReadTextLines(const std::filesystem::path& path);

// A value of the settings file as the Agent reads it (through IniFile); empty
// when the file or the key is missing.
std::optional<std::u16string> ReadSettingsValue(const std::filesystem::path& path,
                                                std::u16string_view section,
                                                std::u16string_view key);
std::optional<int32_t> ReadSettingsInt(const std::filesystem::path& path,
                                       std::u16string_view section, std::u16string_view key);
bool WriteSettingsInt(const std::filesystem::path& path, std::u16string_view section,
                      std::u16string_view key, int32_t value, std::string& error);

// Every "section/key" of the settings file with its value as written, for
// showing what changed between two moments.
std::map<std::string, std::string> SettingsEntries(const std::filesystem::path& path);

// A string value of HKEY_CURRENT_USER\Control Panel\Mouse; empty when missing.
std::optional<std::wstring> ReadMouseRegistryValue(const wchar_t* name);

}  // namespace lt260::driver
