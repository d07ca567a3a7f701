#include "hid/HidChannel.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "hid/InputListener.h"

namespace lt260 {

struct HidChannel::State {
  State(HidBackend& backendPort, DebugOutput& debugPort)
      : backend(backendPort), debugOutput(debugPort) {}

  HidBackend& backend;
  DebugOutput& debugOutput;
  int32_t altVendorId = 0x0603;
  int32_t altProductId = 0x1020;
  // Touched by the owner's thread only.
  std::shared_ptr<HidDevice> featureDevice;
  // Shared with the listener thread.
  InputDeviceSlot input;
  std::unique_ptr<InputListener> listener;
  std::chrono::milliseconds listenerPause = InputListener::kPassPause;
  // Said once, until an input interface can be read again.
  bool unreadableInputReported = false;
  // What each interface path was found to be, by discovery or survey.
  struct Identity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    InterfaceShape shape;
  };
  std::map<std::u16string, Identity> identities;
  // Removal watches of the interfaces held, or released for a removal.
  RemovalWatcher* removals = nullptr;
  std::vector<uintptr_t> removalWatches;
  bool releasedForRemoval = false;
  int32_t lastWantedLength = kListenerFeatureLength;

  void Unwatch() {
    for (uintptr_t watch : removalWatches) removals->EndWatch(watch);
    removalWatches.clear();
  }
  void Watch(HidDevice* device) {
    if (device == nullptr || removals == nullptr) return;
    if (const uintptr_t watch = removals->Watch(*device)) removalWatches.push_back(watch);
  }
  bool Watches(int64_t notice) const {
    if (removals == nullptr) return false;
    const uintptr_t watch = removals->WatchOfNotice(notice);
    return watch != 0 &&
           std::find(removalWatches.begin(), removalWatches.end(), watch) != removalWatches.end();
  }

  // "HidChannel: set 40 03 refused": the direction, the length and report
  // ID of the transfer, and why it failed.
  void SayFailed(const char* direction, std::span<const uint8_t> report, TransferResult result) {
    char line[96];
    std::snprintf(line, sizeof line, "HidChannel: %s %zu %02x %s\n", direction, report.size(),
                  report.empty() ? 0u : unsigned{report[0]}, TransferOutcomeName(result.Outcome));
    debugOutput.Write(line);
  }

  void Learn(const std::u16string& path, const HidDevice& device) {
    identities[path] = Identity{device.VendorId(),
                                device.ProductId(),
                                {device.InputReportLength(), device.FeatureReportLength()}};
  }
  bool Accepted(int32_t vendor, int32_t product) const {
    return (vendor == kVendorId || vendor == altVendorId) &&
           (product == kProductId || product == altProductId);
  }
};

HidChannel::HidChannel(HidBackend& backend, DebugOutput& debugOutput)
    : state_(std::make_unique<State>(backend, debugOutput)) {}

HidChannel::~HidChannel() {
  // The listener goes first: its pending read is cancelled and the thread
  // joined before the devices are let go.
  if (state_->listener) state_->listener->Stop();
  state_->listener.reset();
  state_->featureDevice.reset();
  state_->input.Replace(nullptr);
  state_->Unwatch();
}

void HidChannel::SetAlternateIds(int32_t vendorId, int32_t productId) {
  state_->altVendorId = vendorId;
  state_->altProductId = productId;
}

bool HidChannel::FindDevice(int32_t wantedFeatureLength) {
  State& s = *state_;
  s.lastWantedLength = wantedFeatureLength;
  s.releasedForRemoval = false;
  s.Unwatch();
  // Both roles are dropped first; dropping the input device ends the
  // listener's pending read on it.
  s.featureDevice.reset();
  s.input.Replace(nullptr);

  std::shared_ptr<HidDevice> feature;
  std::shared_ptr<HidDevice> input;
  bool inputUnreadable = false;
  for (const std::u16string& path : s.backend.EnumerateInterfaces()) {
    std::shared_ptr<HidDevice> device = s.backend.Open(path);
    if (!device) continue;
    s.Learn(path, *device);
    if (!s.Accepted(device->VendorId(), device->ProductId())) continue;
    // The last interface in each role wins. A displaced or unused device is
    // closed as its last reference goes, so one held in both roles is closed
    // once, when neither role holds it any more.
    if (device->FeatureReportLength() == wantedFeatureLength) feature = device;
    if (device->InputReportLength() == kInputReportLength) {
      // An interface the system keeps for itself opens without read access;
      // reading it would fail at once, again and again.
      if (device->CanRead()) {
        input = device;
      } else {
        inputUnreadable = true;
      }
    }
  }
  if (input) {
    s.unreadableInputReported = false;
  } else if (inputUnreadable && !s.unreadableInputReported) {
    s.debugOutput.Write(
        "HidChannel: the mouse's input interface cannot be opened for reading; DPI button "
        "presses are not followed\n");
    s.unreadableInputReported = true;
  }

  const bool found = feature != nullptr;
  s.Watch(feature.get());
  if (input != feature) s.Watch(input.get());
  s.featureDevice = std::move(feature);
  s.input.Replace(std::move(input));
  return found;
}

TransferResult HidChannel::SetFeature(std::span<const uint8_t> report) {
  if (!state_->featureDevice) return TransferOutcome::Gone;
  const TransferResult result = state_->featureDevice->SetFeature(report);
  if (!result) state_->SayFailed("set", report, result);
  return result;
}

TransferResult HidChannel::GetFeature(std::span<uint8_t> report) {
  if (!state_->featureDevice) return TransferOutcome::Gone;
  const TransferResult result = state_->featureDevice->GetFeature(report);
  if (!result) state_->SayFailed("get", report, result);
  return result;
}

void HidChannel::CloseFeatureHandle() { state_->featureDevice.reset(); }

void HidChannel::StartListener(std::function<void(int stage)> onDpiStage,
                               RemovalWatcher* removals) {
  State& s = *state_;
  // The watches of an earlier watcher end through it.
  s.Unwatch();
  s.removals = removals;
  FindDevice(kListenerFeatureLength);
  if (!s.listener) {
    s.listener = std::make_unique<InputListener>(s.input, s.debugOutput, std::move(onDpiStage),
                                                 s.listenerPause);
    s.listener->Start();
  }
}

std::vector<HidChannel::InterfaceShape> HidChannel::PresentMouseInterfaces() {
  State& s = *state_;
  const std::vector<std::u16string> paths = s.backend.EnumerateInterfaces();
  // Paths gone from the system are forgotten, so that one coming back is
  // looked at afresh.
  std::erase_if(s.identities, [&](const auto& entry) {
    return std::find(paths.begin(), paths.end(), entry.first) == paths.end();
  });
  std::vector<InterfaceShape> shapes;
  for (const std::u16string& path : paths) {
    auto known = s.identities.find(path);
    if (known == s.identities.end()) {
      const std::unique_ptr<HidDevice> device = s.backend.Open(path);
      if (!device) continue;
      s.Learn(path, *device);
      known = s.identities.find(path);
    }
    const State::Identity& identity = known->second;
    if (s.Accepted(identity.vendorId, identity.productId)) shapes.push_back(identity.shape);
  }
  return shapes;
}

bool HidChannel::HeldDevicesLost() const {
  return state_->releasedForRemoval || state_->input.Retired();
}

bool HidChannel::ReleaseForRemoval(int64_t notice) {
  State& s = *state_;
  if (!s.Watches(notice)) return false;
  // The watches stay: the request's failure or the removal itself is
  // addressed to them.
  s.featureDevice.reset();
  s.input.Replace(nullptr);
  s.releasedForRemoval = true;
  return true;
}

bool HidChannel::ReopenAfterFailedRemoval(int64_t notice) {
  State& s = *state_;
  if (!s.Watches(notice)) return false;
  if (s.releasedForRemoval) FindDevice(s.lastWantedLength);
  return true;
}

const HidDevice* HidChannel::FeatureDevice() const { return state_->featureDevice.get(); }

const HidDevice* HidChannel::InputDevice() const { return state_->input.Current().get(); }

void HidChannel::SetListenerPause(std::chrono::milliseconds pause) {
  state_->listenerPause = pause;
}

uint64_t HidChannel::ListenerPasses() const {
  return state_->listener ? state_->listener->Passes() : 0;
}

}  // namespace lt260
