#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace lt260 {

// The faults injected into the simulated mouse beside its firmware's
// refusals: the mouse pulling itself out after a number of transfers,
// registrations for device notices that fail, and random input reports as a
// faulty or counterfeit mouse sends them. Not thread-safe: the mouse holds
// its lock around every call.
class SimulatedFaults {
 public:
  static constexpr int kLongestGarbageReport = 64;

  // `garbageSeed` seeds the random reports; 0 draws a seed.
  explicit SimulatedFaults(uint32_t garbageSeed);

  // The mouse is to pull itself out right after `count` more feature
  // transfers; 0 calls it off.
  void VanishAfter(int count);
  // Counts one feature transfer; true when the mouse is to pull itself out now.
  bool CountTransfer();
  // Called when the mouse has pulled itself out that way.
  void SetVanishHandler(std::function<void()> handler);
  std::function<void()> VanishHandler() const { return vanishHandler_; }

  void FailRegistrations(bool fail) { registrationsFail_ = fail; }
  bool RegistrationsFail() const { return registrationsFail_; }

  // A report of a random length from 1 to kLongestGarbageReport, random
  // bytes, ID included.
  std::vector<uint8_t> GarbageReport();

 private:
  int transfersUntilVanish_ = 0;
  std::function<void()> vanishHandler_;
  bool registrationsFail_ = false;
  std::mt19937 garbageRandom_;
};

}  // namespace lt260
