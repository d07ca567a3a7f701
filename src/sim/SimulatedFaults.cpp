#include "sim/SimulatedFaults.h"

#include <algorithm>
#include <utility>

namespace lt260 {

SimulatedFaults::SimulatedFaults(uint32_t garbageSeed)
    : garbageRandom_(garbageSeed != 0 ? garbageSeed : std::random_device{}()) {}

void SimulatedFaults::VanishAfter(int count) { transfersUntilVanish_ = std::max(count, 0); }

bool SimulatedFaults::CountTransfer() {
  return transfersUntilVanish_ != 0 && --transfersUntilVanish_ == 0;
}

void SimulatedFaults::SetVanishHandler(std::function<void()> handler) {
  vanishHandler_ = std::move(handler);
}

std::vector<uint8_t> SimulatedFaults::GarbageReport() {
  std::uniform_int_distribution<int> length(1, kLongestGarbageReport);
  std::uniform_int_distribution<int> byte(0, 0xFF);
  std::vector<uint8_t> report(static_cast<std::size_t>(length(garbageRandom_)));
  for (uint8_t& value : report) value = static_cast<uint8_t>(byte(garbageRandom_));
  return report;
}

}  // namespace lt260
