#include "platform/linux/HidrawBackend.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "platform/linux/UniqueFd.h"
#include "text/Utf8.h"

namespace lt260 {
namespace {

// The longest input report hidraw hands out.
constexpr std::size_t kMaxInputReport = 16384;

class HidrawDevice final : public HidDevice {
 public:
  HidrawDevice(UniqueFd fd, const HidrawInterface& interface)
      : fd_(std::move(fd)),
        cancel_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
        interface_(interface) {}

  bool Usable() const { return fd_.Valid() && cancel_.Valid(); }

  uint16_t VendorId() const override { return interface_.VendorId; }
  uint16_t ProductId() const override { return interface_.ProductId; }
  int InputReportLength() const override { return interface_.Caps.InputReportLength; }
  int FeatureReportLength() const override { return interface_.Caps.FeatureReportLength; }

  TransferResult SetFeature(std::span<const uint8_t> report) override {
    if (!FitsFeature(report.size())) return TransferOutcome::WrongLength;
    std::vector<uint8_t> buffer(report.begin(), report.end());
    if (::ioctl(fd_.Get(), HIDIOCSFEATURE(buffer.size()), buffer.data()) < 0) return Failed();
    return TransferOutcome::Done;
  }

  TransferResult GetFeature(std::span<uint8_t> report) override {
    if (!FitsFeature(report.size())) return TransferOutcome::WrongLength;
    const int count = ::ioctl(fd_.Get(), HIDIOCGFEATURE(report.size()), report.data());
    if (count < 0) return Failed();
    // A short answer reads as the rest zero, as the full-length transfer of Windows.
    std::fill(report.begin() + std::min<std::ptrdiff_t>(count, std::ssize(report)), report.end(),
              0);
    return TransferOutcome::Done;
  }

  InputRead ReadInput(std::span<uint8_t> buffer) override {
    std::vector<uint8_t> report(kMaxInputReport + 1);
    for (;;) {
      pollfd fds[2] = {{fd_.Get(), POLLIN, 0}, {cancel_.Get(), POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return InputRead::Ended(ReadOutcome::Failed);
      }
      // The cancel event stays signalled, so a cancelled device never reads again.
      if (fds[1].revents != 0) return InputRead::Ended(ReadOutcome::Cancelled);
      if ((fds[0].revents & POLLIN) == 0) {
        // hidraw hangs up a node whose device has been unplugged.
        if ((fds[0].revents & (POLLERR | POLLHUP)) != 0) {
          return InputRead::Ended(ReadOutcome::DeviceGone);
        }
        if ((fds[0].revents & POLLNVAL) != 0) return InputRead::Ended(ReadOutcome::Failed);
        continue;
      }

      // Unnumbered reports get the 0 byte that Windows puts in front of them.
      const std::size_t offset = interface_.Caps.NumberedReports ? 0 : 1;
      report[0] = 0;
      const ssize_t count = ::read(fd_.Get(), report.data() + offset, kMaxInputReport);
      if (count < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        return InputRead::Ended(errno == ENODEV ? ReadOutcome::DeviceGone : ReadOutcome::Failed);
      }
      if (count == 0) return InputRead::Ended(ReadOutcome::Failed);
      if (!BelongsHere(report[0])) continue;
      const std::size_t length = static_cast<std::size_t>(count) + offset;
      const std::size_t copied = std::min(length, buffer.size());
      std::copy_n(report.begin(), copied, buffer.begin());
      return InputRead::Report(static_cast<int>(copied));
    }
  }

  void CancelRead() override { SignalEventFd(cancel_.Get()); }

 private:
  // A failed transfer ioctl, by its errno: hidraw answers ENODEV once the
  // device has gone; anything else is the device or its driver refusing.
  static TransferResult Failed() {
    return errno == ENODEV ? TransferOutcome::Gone : TransferOutcome::Refused;
  }

  bool FitsFeature(std::size_t size) const {
    return size != 0 && static_cast<int>(size) == interface_.Caps.FeatureReportLength;
  }

  // A node with several collections delivers all their input reports; each
  // collection's device keeps its own.
  bool BelongsHere(uint8_t reportId) const {
    const auto& ids = interface_.Caps.InputReportIds;
    return std::find(ids.begin(), ids.end(), reportId) != ids.end();
  }

  UniqueFd fd_;
  UniqueFd cancel_;
  const HidrawInterface interface_;
};

}  // namespace

HidrawBackend::HidrawBackend(std::unique_ptr<HidrawNodeSource> nodes,
                             std::unique_ptr<DeviceEventSourceFactory> events,
                             WindowMessages& notices, uint32_t noticeMessage)
    : nodes_(std::move(nodes)),
      events_(std::move(events)),
      notices_(notices),
      noticeMessage_(noticeMessage) {}

HidrawBackend::~HidrawBackend() = default;

std::vector<HidrawInterface> HidrawBackend::Interfaces() {
  std::vector<HidrawInterface> interfaces = ReadHidrawInterfaces(nodes_->List());
  std::lock_guard lock(mutex_);
  listed_ = interfaces;
  return interfaces;
}

std::vector<std::u16string> HidrawBackend::EnumerateInterfaces() {
  std::vector<std::u16string> paths;
  for (const HidrawInterface& interface : Interfaces()) paths.push_back(FromUtf8(interface.Path));
  return paths;
}

std::optional<HidrawInterface> HidrawBackend::Listed(const std::string& path) {
  std::lock_guard lock(mutex_);
  for (const HidrawInterface& interface : listed_) {
    if (interface.Path == path) return interface;
  }
  return std::nullopt;
}

std::unique_ptr<HidDevice> HidrawBackend::Open(const std::u16string& path) {
  const std::string wanted = ToUtf8(path);
  // Opens follow an enumeration, whose listing serves them; a path it did not
  // hold is looked for once more.
  std::optional<HidrawInterface> found = Listed(wanted);
  if (!found) {
    Interfaces();
    found = Listed(wanted);
  }
  int error = ENOENT;
  std::unique_ptr<HidrawDevice> device;
  if (found) {
    UniqueFd fd(::open(found->DevNode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    error = fd.Valid() ? 0 : errno;
    if (fd.Valid()) {
      device = std::make_unique<HidrawDevice>(std::move(fd), *found);
      if (!device->Usable()) {
        error = EMFILE;
        device.reset();
      }
    }
  }
  std::lock_guard lock(mutex_);
  openErrors_[path] = error;
  return device;
}

int HidrawBackend::LastOpenError(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  const auto found = openErrors_.find(path);
  return found == openErrors_.end() ? 0 : found->second;
}

uintptr_t HidrawBackend::WatchInterfaces(WindowId window) {
  auto notifier =
      std::make_unique<HotplugNotifier>(events_->Create(), notices_, window, noticeMessage_);
  if (!notifier->Running()) return 0;
  std::lock_guard lock(mutex_);
  const uintptr_t registration = nextRegistration_++;
  notifiers_[registration] = std::move(notifier);
  return registration;
}

void HidrawBackend::EndWatch(uintptr_t watch) {
  std::unique_ptr<HotplugNotifier> notifier;
  {
    std::lock_guard lock(mutex_);
    const auto found = notifiers_.find(watch);
    if (found == notifiers_.end()) return;
    notifier = std::move(found->second);
    notifiers_.erase(found);
  }
  // Joined outside the lock.
}

}  // namespace lt260
