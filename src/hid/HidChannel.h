#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "hid/HidBackend.h"
#include "hid/RemovalWatcher.h"
#include "ports/DebugOutput.h"
#include "protocol/DeviceIdentity.h"

namespace lt260 {

class InputListener;

// The open mouse: a feature interface, chosen anew before every transfer by
// the length of the report about to travel, and the input interface of its
// 4-byte input reports. Everything but the listener's reads runs on the
// owner's thread.
//
// Both interfaces are held as shared devices. The listener takes its own
// reference to the input device for each read, so a discovery that drops the
// device only cancels that read; the device is closed when the last holder
// lets go, and no read ever runs through a closed or reused handle.
class HidChannel {
 public:
  static constexpr int kListenerFeatureLength = 100;

  HidChannel(HidBackend& backend, DebugOutput& debugOutput);
  // Ends the listener, then closes both interfaces (one device held in both
  // roles is closed once) and ends their removal watches. The backend and the
  // removal watcher must outlive the channel.
  ~HidChannel();
  HidChannel(const HidChannel&) = delete;
  HidChannel& operator=(const HidChannel&) = delete;

  // The second accepted vendor and product beside kVendorId and kProductId
  // (protocol/DeviceIdentity.h); either accepted vendor goes with either
  // accepted product. The owner sets kSecondVendorId and kSecondProductId
  // before the first discovery.
  void SetAlternateIds(int32_t vendorId, int32_t productId);

  // Closes both interfaces, then visits every present interface of an
  // accepted device: the last with a feature report of `wantedFeatureLength`
  // becomes the feature interface, the last with 4-byte input reports the
  // input interface. True when a feature interface was found.
  bool FindDevice(int32_t wantedFeatureLength);
  // One transfer on the feature interface; Gone when there is none. A failed
  // transfer is said on the debug output with its outcome.
  TransferResult SetFeature(std::span<const uint8_t> report);
  TransferResult GetFeature(std::span<uint8_t> report);
  // Drops the feature interface (closing it unless it is also the input one).
  void CloseFeatureHandle();

  // The report lengths of one interface of an accepted device.
  struct InterfaceShape {
    int InputLength = 0;
    int FeatureLength = 0;
    friend bool operator==(const InterfaceShape&, const InterfaceShape&) = default;
  };
  // The interfaces of accepted devices present now, in enumeration order.
  // Each path is identified by what a discovery or an earlier survey learned
  // of it; only a path not seen before is opened, to learn it, and closed
  // again. Nothing is transferred and the interfaces held stay as they are.
  std::vector<InterfaceShape> PresentMouseInterfaces();
  // Whether the interfaces held can no longer serve until the next discovery:
  // the listener found the input interface gone, or a removal request had
  // them closed.
  bool HeldDevicesLost() const;

  // Removal requests. The interfaces the channel holds are watched for them
  // (through the watcher StartListener names), so that holding them never
  // vetoes disabling the mouse or updating its driver. A request for one of
  // them closes both; its failure opens them again as the last discovery
  // found them. `notice` is the notice as the watcher knows it; false when
  // the notice is not about an interface held or released here.
  bool ReleaseForRemoval(int64_t notice);
  bool ReopenAfterFailedRemoval(int64_t notice);

  // Runs a first discovery and starts the input listener, which calls
  // `onDpiStage` on its own thread with the stage of every DPI-stage report.
  // From then on every discovery, the first included, has `removals` (if
  // any) watch the interfaces it keeps.
  void StartListener(std::function<void(int stage)> onDpiStage, RemovalWatcher* removals = nullptr);

  // The interfaces held now, for the callers' checks and for tests; null for none.
  const HidDevice* FeatureDevice() const;
  const HidDevice* InputDevice() const;
  // Passes of the listener's read loop so far (0 before it starts): how often
  // the thread woke, for measuring its idle cost.
  uint64_t ListenerPasses() const;
  // The listener's pause between reads, 10 ms unless a stress test wants the
  // reads back to back. Takes effect at StartListener.
  void SetListenerPause(std::chrono::milliseconds pause);

 private:
  // Implementation defined by the channel's source file.
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace lt260
