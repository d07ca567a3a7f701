#include "platform/linux/LinuxCliPlatform.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "cli/SimMouseSystem.h"
#include "platform/linux/HidrawBackend.h"
#include "platform/linux/UniqueFd.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

// A suspension shorter than this is not worth programming the mouse again.
constexpr int64_t kResumeThresholdNanoseconds = 1'000'000'000;

class HidrawMouseSystem final : public MouseSystem {
 public:
  explicit HidrawMouseSystem(WindowMessages& notices)
      : backend_(std::make_unique<UdevHidrawNodes>(), std::make_unique<UdevHidrawMonitorFactory>(),
                 notices, kCliDeviceChanged) {}

  HidBackend& Backend() override { return backend_; }
  DeviceNotices& Notices() override { return backend_; }

  std::vector<InterfaceSummary> MouseInterfaces() override {
    std::vector<InterfaceSummary> summaries;
    for (const HidrawInterface& interface : backend_.Interfaces()) {
      if (!IsLT260(interface.VendorId, interface.ProductId)) continue;
      InterfaceSummary summary;
      summary.Path = FromUtf8(interface.Path);
      summary.VendorId = interface.VendorId;
      summary.ProductId = interface.ProductId;
      summary.UsagePage = interface.Caps.UsagePage;
      summary.Usage = interface.Caps.Usage;
      summary.InputLength = interface.Caps.InputReportLength;
      summary.OutputLength = interface.Caps.OutputReportLength;
      summary.FeatureLength = interface.Caps.FeatureReportLength;
      summary.Detail = interface.Problem;
      if (!interface.Problem.empty()) summary.Problem = OpenProblem::Other;
      if (summary.Problem == OpenProblem::None && !backend_.Open(summary.Path)) {
        const int error = backend_.LastOpenError(summary.Path);
        summary.Detail = std::strerror(error);
        summary.Problem = error == EACCES || error == EPERM ? OpenProblem::PermissionDenied
                          : error == EBUSY                  ? OpenProblem::Busy
                                                            : OpenProblem::Other;
      }
      summaries.push_back(std::move(summary));
    }
    return summaries;
  }

 private:
  HidrawBackend backend_;
};

timespec Now(clockid_t clock) {
  timespec now{};
  ::clock_gettime(clock, &now);
  return now;
}

// Arms the timer at the far end of the wall clock: it never expires, it only
// reports the clock's jumps.
bool ArmClockJumpTimer(int fd) {
  itimerspec far{};
  far.it_value.tv_sec = Now(CLOCK_REALTIME).tv_sec + 10LL * 365 * 24 * 3600;
  return ::timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &far, nullptr) == 0;
}

class Watchers {
 public:
  Watchers(MessageQueue& queue, SimulatedMouse* mouse) : queue_(queue), mouse_(mouse) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    signals_ = UniqueFd(::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    clockJumps_ = UniqueFd(::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK));
    if (clockJumps_.Valid() && !ArmClockJumpTimer(clockJumps_.Get())) clockJumps_.Reset();
    stop_ = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (const char* control = std::getenv("LT260_SIM_CONTROL"); control && mouse_) {
      ::mkfifo(control, 0600);
      // Read-write, so the pipe never reports its end when a writer closes.
      simControl_ = UniqueFd(::open(control, O_RDWR | O_NONBLOCK | O_CLOEXEC));
    }
    suspended_ = SuspendedNanoseconds();
    thread_ = std::thread([this] { Run(); });
  }
  ~Watchers() {
    SignalEventFd(stop_.Get());
    thread_.join();
  }

 private:
  void Run() {
    for (;;) {
      pollfd fds[4] = {{stop_.Get(), POLLIN, 0},
                       {signals_.Get(), POLLIN, 0},
                       {clockJumps_.Get(), POLLIN, 0},
                       {simControl_.Get(), POLLIN, 0}};
      if (::poll(fds, 4, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[0].revents != 0) return;
      if (fds[1].revents != 0) {
        signalfd_siginfo info{};
        while (::read(signals_.Get(), &info, sizeof info) == sizeof info) {
          queue_.Post(kCliWindow, kCliQuit, 0, 0);
        }
      }
      if (fds[2].revents != 0) OnClockJump();
      if (fds[3].revents != 0) OnSimControl();
    }
  }

  void OnClockJump() {
    uint64_t expirations = 0;
    // ECANCELED is the jump itself; the timer must be armed again after it.
    (void)!::read(clockJumps_.Get(), &expirations, sizeof expirations);
    if (!ArmClockJumpTimer(clockJumps_.Get())) clockJumps_.Reset();
    const int64_t suspended = SuspendedNanoseconds();
    if (suspended - suspended_ >= kResumeThresholdNanoseconds) {
      queue_.Post(kCliWindow, kCliResumed, 0, 0);
    }
    suspended_ = suspended;
  }

  void OnSimControl() {
    char buffer[256];
    const ssize_t count = ::read(simControl_.Get(), buffer, sizeof buffer);
    if (count <= 0) return;
    pending_.append(buffer, static_cast<std::size_t>(count));
    for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
      const std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      RunSimControlLine(line, *mouse_, queue_);
    }
  }

  MessageQueue& queue_;
  SimulatedMouse* mouse_;
  UniqueFd signals_;
  UniqueFd clockJumps_;
  UniqueFd simControl_;
  UniqueFd stop_;
  int64_t suspended_ = 0;
  std::string pending_;
  std::thread thread_;
};

}  // namespace

int64_t SuspendedNanoseconds() {
  // Monotonic first: read the other way round, the time between the two
  // reads would make the difference come out a little negative.
  const timespec monotonic = Now(CLOCK_MONOTONIC);
  const timespec boot = Now(CLOCK_BOOTTIME);
  return (boot.tv_sec - monotonic.tv_sec) * 1'000'000'000LL + (boot.tv_nsec - monotonic.tv_nsec);
}

void LinuxCliPlatform::BlockTerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

std::unique_ptr<MouseSystem> LinuxCliPlatform::OpenMouseSystem(DeviceChoice device,
                                                               WindowMessages& notices) {
  if (device == DeviceChoice::System) return std::make_unique<HidrawMouseSystem>(notices);
  return SimMouseSystemFromEnvironment();
}

std::filesystem::path LinuxCliPlatform::DefaultSettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::filesystem::path base;
  if (config && *config) {
    base = config;
  } else {
    base = std::filesystem::path(home && *home ? home : ".") / ".config";
  }
  return base / "lt260" / "GamingMouse";
}

std::shared_ptr<void> LinuxCliPlatform::StartWatchers(MessageQueue& queue, MouseSystem& mouse) {
  auto* simulated = dynamic_cast<SimMouseSystem*>(&mouse);
  return std::make_shared<Watchers>(queue, simulated ? &simulated->Mouse() : nullptr);
}

}  // namespace lt260
