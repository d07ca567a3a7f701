#include "platform/linux/DeviceEvents.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace lt260 {
namespace {

class UdevHidrawMonitor final : public DeviceEventSource {
 public:
  UdevHidrawMonitor(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
  ~UdevHidrawMonitor() override {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
  }
  int Fd() const override { return udev_monitor_get_fd(monitor_); }
  bool Receive() override {
    bool any = false;
    // The socket is non-blocking: take every queued event, then stop.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      any = true;
      udev_device_unref(device);
    }
    return any;
  }

 private:
  udev* context_;
  udev_monitor* monitor_;
};

}  // namespace

void SignalEventFd(int fd) {
  const uint64_t one = 1;
  // A full counter (never reached) would only mean it is set already.
  while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

std::unique_ptr<DeviceEventSource> UdevHidrawMonitorFactory::Create() {
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  // Events come from udevd once it has set up the node (permissions
  // included); where no udevd runs, straight from the kernel.
  const char* origin = ::access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, origin);
  if (monitor == nullptr) {
    udev_unref(context);
    return nullptr;
  }
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevHidrawMonitor>(context, monitor);
}

HotplugNotifier::HotplugNotifier(std::unique_ptr<DeviceEventSource> source,
                                 WindowMessages& messages, WindowId window, uint32_t message)
    : source_(std::move(source)),
      messages_(messages),
      window_(window),
      message_(message),
      stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (source_ && stop_.Valid()) {
    thread_ = std::thread([this] { Run(); });
  } else {
    stop_.Reset();
  }
}

HotplugNotifier::~HotplugNotifier() {
  if (thread_.joinable()) {
    SignalEventFd(stop_.Get());
    thread_.join();
  }
}

void HotplugNotifier::Run() {
  for (;;) {
    pollfd fds[2] = {{source_->Fd(), POLLIN, 0}, {stop_.Get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    wakeups_.fetch_add(1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return;
    if ((fds[0].revents & POLLIN) != 0 && source_->Receive()) {
      messages_.Post(window_, message_, 0, 0);
    }
  }
}

}  // namespace lt260
