#pragma once

#include <windows.h>

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "Waiting.h"

namespace lt260::driver {

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

}  // namespace lt260::driver
