#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/SimulatedInterface.h"

namespace lt260 {

// One device open on the simulated mouse.
struct SimulatedHandle {
  uint64_t Id = 0;
  SimulatedInterface Interface;
  bool Dead = false;  // its interface went away while it was open
  bool Cancelled = false;
  bool Closed = false;
  int ActiveReads = 0;
  // Input reports sent while it is open and not yet read.
  std::deque<std::vector<uint8_t>> Queue;
};

// The devices open on the simulated mouse, their input queues, and the
// accounting that shows whether their user handled them right. Not
// thread-safe: the mouse holds its lock around every call.
class SimulatedHandles {
 public:
  // `inputBufferCount`: reports a device keeps unread; beyond it the oldest
  // is dropped, as the system's HID driver does.
  explicit SimulatedHandles(int inputBufferCount) : inputBufferCount_(inputBufferCount) {}

  std::shared_ptr<SimulatedHandle> Open(const SimulatedInterface& attached);
  // Its reads end, as a closed handle's would; a read still running in it is
  // a stale read.
  void Close(SimulatedHandle& handle);
  // Marks every open device whose interface has gone (`gone` says which) dead.
  void KillWhere(const std::function<bool(const SimulatedInterface&)>& gone);
  // Queues `report` to every open device that is neither dead nor cancelled
  // and whose interface `wants` it. Returns how many got it.
  int Queue(std::span<const uint8_t> report,
            const std::function<bool(const SimulatedInterface&)>& wants);
  // Whether a later open of the same interface has superseded `handle`.
  bool Superseded(const SimulatedHandle& handle) const;

  void CountRead() { ++readCalls_; }
  void CountStaleRead() { ++staleReads_; }

  int Opens() const { return opens_; }
  int Closes() const { return closes_; }
  int OpenNow() const { return static_cast<int>(open_.size()); }
  int OpenNowOf(const std::u16string& path) const;
  uint64_t ReadCalls() const { return readCalls_; }
  int StaleReads() const { return staleReads_; }

 private:
  const int inputBufferCount_;
  std::vector<std::shared_ptr<SimulatedHandle>> open_;
  std::map<std::u16string, uint64_t> latest_;
  uint64_t nextId_ = 1;
  int opens_ = 0;
  int closes_ = 0;
  uint64_t readCalls_ = 0;
  int staleReads_ = 0;
};

}  // namespace lt260
