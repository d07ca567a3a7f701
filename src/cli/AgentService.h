#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/MessageQueue.h"
#include "cli/MouseSystem.h"
#include "hid/HidChannel.h"
#include "ports/Clock.h"
#include "ports/DebugOutput.h"
#include "settings/SettingsFile.h"

namespace lt260 {

// The Agent's device work without windows, for a user service: reads the
// mouse back into the settings file when it arrives, saves the DPI stage when
// the mouse's button changes it, and programs the mouse with the active
// profile again after the system resumed (the mouse may have lost power).
// Everything happens on the thread that calls Run, one message at a time;
// between messages it sleeps in the queue.
class AgentService {
 public:
  AgentService(MouseSystem& mouse, MessageQueue& queue, Clock& clock, std::ostream& out,
               std::ostream& err, std::filesystem::path settingsPath,
               std::filesystem::path bulletPath);

  // Until kCliQuit arrives. Returns the exit status.
  int Run();

 private:
  void LoadSettingsFile();
  void WarnAboutSettingsFile();
  void OnArrival();
  void OnDpiStage(int32_t stage);
  void OnResumed();
  uint32_t Elapsed(uint32_t since);

  class NoDebugOutput final : public DebugOutput {
   public:
    void Write(std::string_view) override {}
  };

  MouseSystem& mouse_;
  MessageQueue& queue_;
  Clock& clock_;
  std::ostream& out_;
  std::ostream& err_;
  const std::filesystem::path settingsPath_;
  const std::filesystem::path bulletPath_;
  NoDebugOutput debug_;
  HidChannel channel_;
  SettingsFile loaded_{};
  SettingsFile applied_{};
  ProfileSetting activeProfile_{};
  std::optional<uint32_t> lastSync_;
  bool present_ = false;
  bool permissionHintShown_ = false;
  std::string lastSettingsProblem_;
  std::filesystem::file_time_type checkedWriteTime_{};
  std::uintmax_t checkedSize_ = 0;
};

}  // namespace lt260
