// Reports how often the input listener thread wakes per second with the mouse
// absent and with the mouse present but idle, and how long a DPI press takes
// to arrive after a discovery. Plain numbers on standard output.

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <thread>

#include "hid/HidChannel.h"
#include "ports/MessageNumbers.h"
#include "sim/SimulatedMouse.h"
#include "support/RecordingPorts.h"

namespace {

using namespace std::chrono_literals;
using lt260::HidChannel;
using lt260::SimulatedMouse;
using lt260::WM_AGENT_DPI_STAGE;
using lt260::test::RecordingDebugOutput;
using lt260::test::RecordingWindowMessages;

constexpr auto kMeasureTime = 2s;

struct Wakeups {
  double passesPerSecond;
  double readsPerSecond;
};

Wakeups MeasureIdle(bool mousePresent) {
  SimulatedMouse mouse;
  if (!mousePresent) mouse.Unplug();
  RecordingWindowMessages messages;
  RecordingDebugOutput debugOutput;
  HidChannel channel(mouse, debugOutput);
  channel.StartListener([&messages](int stage) {
    messages.Post(1, WM_AGENT_DPI_STAGE, static_cast<uint64_t>(stage), 0);
  });
  std::this_thread::sleep_for(50ms);

  const uint64_t passesBefore = channel.ListenerPasses();
  const uint64_t readsBefore = mouse.ReadCalls();
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(kMeasureTime);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {static_cast<double>(channel.ListenerPasses() - passesBefore) / seconds,
          static_cast<double>(mouse.ReadCalls() - readsBefore) / seconds};
}

// From a discovery that finds the mouse to its first press arriving as a
// message, with the listener idle-waiting for a device beforehand.
double ResumeMilliseconds(int rounds) {
  SimulatedMouse mouse;
  mouse.Unplug();
  RecordingWindowMessages messages;
  RecordingDebugOutput debugOutput;
  HidChannel channel(mouse, debugOutput);
  channel.StartListener([&messages](int stage) {
    messages.Post(1, WM_AGENT_DPI_STAGE, static_cast<uint64_t>(stage), 0);
  });
  double total = 0;
  for (int round = 0; round < rounds; ++round) {
    mouse.Unplug();
    channel.FindDevice(40);
    std::this_thread::sleep_for(20ms);
    mouse.Plug();
    const auto start = std::chrono::steady_clock::now();
    channel.FindDevice(40);
    mouse.PressDpiButton(3);
    messages.WaitForPosts(static_cast<std::size_t>(round) + 1);
    total +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  return total / rounds;
}

}  // namespace

int main() {
  const Wakeups absent = MeasureIdle(false);
  const Wakeups idle = MeasureIdle(true);
  std::printf("listener wake-ups per second, mouse absent:       %8.1f (reads %.1f)\n",
              absent.passesPerSecond, absent.readsPerSecond);
  std::printf("listener wake-ups per second, mouse present idle: %8.1f (reads %.1f)\n",
              idle.passesPerSecond, idle.readsPerSecond);
  std::printf("discovery to first DPI message, mean of 50:       %8.3f ms\n",
              ResumeMilliseconds(50));
  return 0;
}
