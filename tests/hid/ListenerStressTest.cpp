#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "hid/HidChannel.h"
#include "ports/MessageNumbers.h"
#include "sim/SimulatedMouse.h"
#include "support/RecordingPorts.h"

namespace lt260 {
namespace {

using namespace std::chrono_literals;
using test::PostedMessage;
using test::RecordingDebugOutput;
using test::RecordingWindowMessages;

constexpr WindowId kAgentWindow = 0x77;
// Reports sent during a burst of discoveries carry this stage; they may be
// lost with the device they were queued for, but never arrive twice. The
// stable phases use the stages below it.
constexpr uint8_t kBurstStage = 7;

// Stable phases alternate with bursts. In a stable phase the input device is
// the one the last discovery left, so each report sent then is queued for
// exactly that device and must arrive exactly once, in order. In a burst this
// thread replaces the input device as fast as it can while a second thread
// presses the DPI button, and the listener reads back to back.
TEST(ListenerStressTest, DiscoveriesRacingReadsNeverReadStaleOrRepeat) {
  constexpr int kPhases = 150;
  constexpr int kReportsPerPhase = kBurstStage - 1;
  constexpr int kDiscoveriesPerBurst = 25;
  constexpr std::array<int32_t, 4> kWantedLengths{40, 2049, 8, 100};

  SimulatedMouse mouse;
  RecordingWindowMessages messages;
  RecordingDebugOutput debugOutput;
  auto channel = std::make_unique<HidChannel>(mouse, debugOutput);
  channel->SetListenerPause(0ms);
  channel->StartListener([&messages](int stage) {
    messages.Post(kAgentWindow, WM_AGENT_DPI_STAGE, static_cast<uint64_t>(stage), 0);
  });

  std::size_t examined = 0;
  int burstPresses = 0;
  int burstQueued = 0;
  int discoveries = 0;
  for (int phase = 0; phase < kPhases; ++phase) {
    SCOPED_TRACE(phase);
    for (int k = 1; k <= kReportsPerPhase; ++k) {
      ASSERT_EQ(mouse.PressDpiButton(static_cast<uint8_t>(k)), 1);
    }

    std::vector<uint64_t> stable;
    for (int wait = 0; wait < 10000 && stable.size() < kReportsPerPhase; ++wait) {
      const std::vector<PostedMessage> posts = messages.Posts();
      for (; examined < posts.size(); ++examined) {
        const PostedMessage& post = posts[examined];
        ASSERT_EQ(post.Window, kAgentWindow);
        ASSERT_EQ(post.Message, WM_AGENT_DPI_STAGE);
        if (post.WParam != kBurstStage) stable.push_back(post.WParam);
      }
      if (stable.size() < kReportsPerPhase) std::this_thread::sleep_for(1ms);
    }
    std::vector<uint64_t> expected;
    for (int k = 1; k <= kReportsPerPhase; ++k) expected.push_back(static_cast<uint64_t>(k));
    ASSERT_EQ(stable, expected);

    std::atomic<bool> bursting{true};
    std::atomic<int> pressed{0};
    std::atomic<int> queued{0};
    std::thread presser([&] {
      while (bursting.load()) {
        queued += mouse.PressDpiButton(kBurstStage);
        ++pressed;
      }
    });
    for (int d = 0; d < kDiscoveriesPerBurst; ++d) {
      channel->FindDevice(kWantedLengths[static_cast<std::size_t>(d) % kWantedLengths.size()]);
      ++discoveries;
    }
    bursting = false;
    presser.join();
    burstPresses += pressed.load();
    burstQueued += queued.load();
  }

  // Anything still queued arrives now; nothing stable may follow.
  std::this_thread::sleep_for(50ms);
  channel.reset();
  const std::vector<PostedMessage> posts = messages.Posts();
  int burstArrived = 0;
  for (; examined < posts.size(); ++examined) {
    ASSERT_EQ(posts[examined].WParam, kBurstStage) << "a stable report arrived twice";
  }
  for (const PostedMessage& post : posts) burstArrived += post.WParam == kBurstStage ? 1 : 0;

  EXPECT_EQ(mouse.StaleReads(), 0);
  EXPECT_LE(burstArrived, burstQueued);
  EXPECT_EQ(mouse.OpenDevices(), 0);
  EXPECT_EQ(mouse.OpenCount(), mouse.CloseCount());

  std::printf(
      "stress: %d phases, %d stable reports, %d discoveries, %d burst presses "
      "(%d queued, %d arrived), %llu reads\n",
      kPhases, kPhases * kReportsPerPhase, discoveries, burstPresses, burstQueued, burstArrived,
      static_cast<unsigned long long>(mouse.ReadCalls()));
}

}  // namespace
}  // namespace lt260
