#include "cli/AgentService.h"

#include "cli/DeviceDiagnosis.h"
#include "cli/SettingsCheck.h"
#include "device/DeviceSync.h"
#include "device/ProfileSending.h"
#include "ports/MessageNumbers.h"
#include "settings/SettingsStore.h"
#include "text/Utf8.h"

namespace lt260 {

AgentService::AgentService(MouseSystem& mouse, MessageQueue& queue, Clock& clock, std::ostream& out,
                           std::ostream& err, std::filesystem::path settingsPath,
                           std::filesystem::path bulletPath)
    : mouse_(mouse),
      queue_(queue),
      clock_(clock),
      out_(out),
      err_(err),
      settingsPath_(std::move(settingsPath)),
      bulletPath_(std::move(bulletPath)),
      channel_(mouse.Backend(), debug_) {}

int AgentService::Run() {
  std::error_code ignored;
  std::filesystem::create_directories(settingsPath_.parent_path(), ignored);
  LoadSettingsFile();
  channel_.SetAlternateIds(kSecondVendorId, kSecondProductId);
  channel_.StartListener([&queue = queue_](int stage) { queue.PostDpiStage(stage); });
  const uintptr_t registration = mouse_.Notices().WatchInterfaces(kCliWindow);
  if (registration == 0) {
    err_ << "lt260ctl agent: no device notices; the mouse is read back only at start and after "
            "a resume"
         << std::endl;
  }
  out_ << "lt260ctl agent: watching the mouse for " << settingsPath_.string() << std::endl;
  OnArrival();
  WarnAboutSettingsFile();
  for (;;) {
    const MessageQueue::Message message = queue_.Wait();
    if (message.Number == kCliQuit) break;
    if (message.Number == kCliDeviceChanged) OnArrival();
    if (message.Number == WM_AGENT_DPI_STAGE) OnDpiStage(static_cast<int32_t>(message.WParam));
    if (message.Number == kCliResumed) OnResumed();
    WarnAboutSettingsFile();
  }
  if (registration != 0) mouse_.Notices().EndWatch(registration);
  out_ << "lt260ctl agent: stopped" << std::endl;
  return 0;
}

// The file is read afresh before every piece of work, so edits made while
// the agent runs (by lt260ctl apply or by hand) count. A bad value is
// repaired as the Agent on Windows repairs it.
void AgentService::LoadSettingsFile() {
  LoadSettings(settingsPath_, loaded_, applied_, activeProfile_, clock_);
}

// Names a bad line of the file once, after the device work so the check never
// delays it, and only when the file changed since it was last checked.
void AgentService::WarnAboutSettingsFile() {
  std::error_code error;
  const auto changed = std::filesystem::last_write_time(settingsPath_, error);
  const auto size = std::filesystem::file_size(settingsPath_, error);
  if (!error && checkedWriteTime_ == changed && checkedSize_ == size) return;
  checkedWriteTime_ = changed;
  checkedSize_ = size;
  const auto problem = CheckSettingsFile(settingsPath_);
  const std::string text =
      problem ? "line " + std::to_string(problem->Line) + ": " + problem->Message : "";
  if (problem && text != lastSettingsProblem_) {
    err_ << "lt260ctl agent: " << settingsPath_.string() << " " << text << std::endl;
  }
  lastSettingsProblem_ = text;
}

uint32_t AgentService::Elapsed(uint32_t since) { return clock_.TickCount() - since; }

void AgentService::OnArrival() {
  const uint32_t start = clock_.TickCount();
  LoadSettingsFile();
  DeviceSyncTarget target{channel_,      clock_,      loaded_,  activeProfile_,
                          settingsPath_, bulletPath_, lastSync_};
  const SyncOutcome outcome = SyncFromDevice(target);
  // Within a second of the last read-back the mouse is taken as read.
  if (outcome == SyncOutcome::TakenAsRead) return;
  if (outcome == SyncOutcome::Read) {
    SaveDevicePresence(settingsPath_, 1, clock_);
    present_ = true;
    out_ << "lt260ctl agent: read the mouse back into " << settingsPath_.string() << " in "
         << Elapsed(start) << " ms" << std::endl;
    return;
  }
  if (present_) out_ << "lt260ctl agent: the mouse is gone" << std::endl;
  present_ = false;
  for (const InterfaceSummary& interface : mouse_.MouseInterfaces()) {
    if (interface.Problem == OpenProblem::PermissionDenied && !permissionHintShown_) {
      err_ << "lt260ctl agent: permission denied opening " << ToUtf8(interface.Path) << "; "
           << kUdevHint << std::endl;
      permissionHintShown_ = true;
    }
  }
}

void AgentService::OnDpiStage(int32_t stage) {
  LoadSettingsFile();
  activeProfile_.DPI_Cur = stage;
  // Under the section numbered by Active itself, as the Agent on Windows does.
  if (SaveDpiStage(settingsPath_, applied_.Global.Active, stage, clock_)) {
    out_ << "lt260ctl agent: DPI stage " << stage << " saved" << std::endl;
  } else {
    err_ << "lt260ctl agent: could not save DPI stage " << stage << " to " << settingsPath_.string()
         << std::endl;
  }
}

void AgentService::OnResumed() {
  LoadSettingsFile();
  out_ << "lt260ctl agent: system resumed; programming the mouse with profile "
       << applied_.Global.Active + 1 << std::endl;
  const uint32_t start = clock_.TickCount();
  if (SendProfileReports(channel_, activeProfile_, clock_)) {
    out_ << "lt260ctl agent: profile " << applied_.Global.Active + 1 << " applied in "
         << Elapsed(start) << " ms" << std::endl;
  } else {
    out_ << "lt260ctl agent: the mouse is not there to program" << std::endl;
  }
}

}  // namespace lt260
