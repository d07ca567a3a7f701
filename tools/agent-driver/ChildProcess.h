#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Waiting.h"

namespace lt260::driver {

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

// Ends what a process test started: Gaming.exe started by the Agent (closing
// its window ends it; `standIn` is a stand-in window of the test, left alone),
// then the Agent (closing its window). Each gets at most 10 s.
void EndAgentAndGaming(ChildProcess& agent, HWND standIn);

}  // namespace lt260::driver
