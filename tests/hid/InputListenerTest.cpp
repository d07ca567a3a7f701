#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hid/HidChannel.h"
#include "hid/InputListener.h"
#include "ports/MessageNumbers.h"
#include "sim/SimulatedMouse.h"
#include "support/RecordingPorts.h"

namespace lt260 {
namespace {

using namespace std::chrono_literals;
using test::PostedMessage;
using test::RecordingDebugOutput;
using test::RecordingWindowMessages;

constexpr WindowId kAgentWindow = 0x1234;

// Posts each stage the listener reports as the agent window's message, as
// the window's own handler does.
std::function<void(int)> PostingStagesTo(RecordingWindowMessages& messages) {
  return [&messages](int stage) {
    messages.Post(kAgentWindow, WM_AGENT_DPI_STAGE, static_cast<uint64_t>(stage), 0);
  };
}

// Every report is traced; only a stage report reaches the handler (the
// shapes that count are DpiStageOf's).
TEST(OnInputReportTest, TracesEveryReportAndHandsOnOnlyStages) {
  struct Case {
    std::array<uint8_t, 4> report;
    int length;
    const char* line;
    std::vector<int> stages;
  };
  const Case cases[] = {
      {{0x02, 0x00, 0x03, 0x00}, 4, "4: 02 00 03 00 00 00 00 00\n", {3}},
      {{0x02, 0x00, 0x00, 0x00}, 4, "4: 02 00 00 00 00 00 00 00\n", {}},
      {{0x01, 0x00, 0x03, 0x00}, 4, "4: 01 00 03 00 00 00 00 00\n", {}},
      {{0x02, 0x00, 0xFF, 0x00}, 4, "4: 02 00 ff 00 00 00 00 00\n", {255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    RecordingDebugOutput debugOutput;
    InputDeviceSlot slot;
    std::vector<int> stages;
    InputListener listener(slot, debugOutput, [&stages](int stage) { stages.push_back(stage); });

    std::array<uint8_t, InputListener::kReportBufferLength> buffer{};
    std::copy(c.report.begin(), c.report.end(), buffer.begin());
    listener.OnInputReport(buffer, c.length);

    EXPECT_EQ(debugOutput.Lines(), std::vector<std::string>{c.line});
    EXPECT_EQ(stages, c.stages);
  }
}

TEST(OnInputReportTest, ShortBufferReadsAsZeros) {
  RecordingDebugOutput debugOutput;
  InputDeviceSlot slot;
  std::vector<int> stages;
  InputListener listener(slot, debugOutput, [&stages](int stage) { stages.push_back(stage); });
  const std::array<uint8_t, 3> report{0x02, 0x00, 0x05};
  listener.OnInputReport(report, 3);
  EXPECT_EQ(debugOutput.Lines(), std::vector<std::string>{"3: 02 00 05 00 00 00 00 00\n"});
  EXPECT_EQ(stages, std::vector<int>{5});
}

// The channel with its listener running against the simulated mouse.
class ListenerTest : public ::testing::Test {
 protected:
  void StartListener(std::chrono::milliseconds pause = InputListener::kPassPause) {
    channel = std::make_unique<HidChannel>(mouse, debugOutput);
    channel->SetListenerPause(pause);
    channel->StartListener(PostingStagesTo(messages));
  }
  // Waits until the listener has started `count` reads in all.
  bool WaitForReads(uint64_t count) {
    for (int i = 0; i < 5000 && mouse.ReadCalls() < count; ++i) std::this_thread::sleep_for(1ms);
    return mouse.ReadCalls() >= count;
  }
  PostedMessage Stage(uint64_t stage) { return {kAgentWindow, WM_AGENT_DPI_STAGE, stage, 0}; }

  SimulatedMouse mouse;
  RecordingWindowMessages messages;
  RecordingDebugOutput debugOutput;
  std::unique_ptr<HidChannel> channel;
};

TEST_F(ListenerTest, DpiButtonPressesArriveAsMessagesInOrder) {
  StartListener();
  mouse.PressDpiButton(3);
  mouse.PressDpiButton(0);  // not a stage change: traced, not posted
  mouse.PressDpiButton(5);
  ASSERT_TRUE(messages.WaitForPosts(2));
  ASSERT_TRUE(WaitForReads(4));
  EXPECT_EQ(messages.Posts(), (std::vector<PostedMessage>{Stage(3), Stage(5)}));
  EXPECT_EQ(debugOutput.Lines(), (std::vector<std::string>{
                                     "4: 02 00 03 00 00 00 00 00\n",
                                     "4: 02 00 00 00 00 00 00 00\n",
                                     "4: 02 00 05 00 00 00 00 00\n",
                                 }));
}

TEST_F(ListenerTest, AbsentMouseAtStartIsReadOnceADiscoveryFindsIt) {
  mouse.Unplug();
  StartListener();
  EXPECT_EQ(channel->InputDevice(), nullptr);
  std::this_thread::sleep_for(30ms);
  // Without a device the thread waits for one instead of polling.
  EXPECT_EQ(channel->ListenerPasses(), 0u);

  mouse.Plug();
  EXPECT_TRUE(channel->FindDevice(40));
  mouse.PressDpiButton(4);
  ASSERT_TRUE(messages.WaitForPosts(1));
  EXPECT_EQ(messages.Posts()[0], Stage(4));
}

TEST_F(ListenerTest, UnplugRetiresTheDeadDeviceUntilADiscoveryBringsAnother) {
  // No pause between reads: a listener that retried the dead device would
  // wake thousands of times while the test waits.
  StartListener(0ms);
  ASSERT_TRUE(WaitForReads(1));
  mouse.Unplug();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(channel->ListenerPasses(), 1u) << "the read that saw the unplug, and no other";
  EXPECT_EQ(mouse.ReadCalls(), 1u);
  EXPECT_TRUE(messages.Posts().empty());
  EXPECT_TRUE(debugOutput.Lines().empty());
  EXPECT_FALSE(channel->FindDevice(40));
  EXPECT_EQ(channel->InputDevice(), nullptr);

  mouse.Plug();
  ASSERT_TRUE(channel->FindDevice(40));
  mouse.PressDpiButton(6);
  ASSERT_TRUE(messages.WaitForPosts(1));
  EXPECT_EQ(messages.Posts(), std::vector<PostedMessage>{Stage(6)});
  EXPECT_EQ(mouse.StaleReads(), 0);
}

// A read that fails for a passing reason is retried after the pause; only a
// device that is gone is given up.
class FailingReadsBackend final : public HidBackend {
 public:
  class Device final : public HidDevice {
   public:
    explicit Device(std::atomic<int>& reads) : reads_(reads) {}
    uint16_t VendorId() const override { return kVendorId; }
    uint16_t ProductId() const override { return kProductId; }
    int InputReportLength() const override { return 4; }
    int FeatureReportLength() const override { return 0; }
    TransferResult SetFeature(std::span<const uint8_t>) override {
      return TransferOutcome::Refused;
    }
    TransferResult GetFeature(std::span<uint8_t>) override { return TransferOutcome::Refused; }
    InputRead ReadInput(std::span<uint8_t>) override {
      ++reads_;
      return InputRead::Ended(ReadOutcome::Failed);
    }
    void CancelRead() override {}

   private:
    std::atomic<int>& reads_;
  };
  std::vector<std::u16string> EnumerateInterfaces() override { return {u"input"}; }
  std::unique_ptr<HidDevice> Open(const std::u16string&) override {
    return std::make_unique<Device>(reads);
  }
  std::atomic<int> reads{0};
};

TEST(ListenerRetryTest, FailedReadsAreRetriedAfterThePause) {
  FailingReadsBackend backend;
  RecordingWindowMessages messages;
  RecordingDebugOutput debugOutput;
  HidChannel channel(backend, debugOutput);
  channel.StartListener(PostingStagesTo(messages));
  for (int i = 0; i < 5000 && backend.reads < 3; ++i) std::this_thread::sleep_for(1ms);
  EXPECT_GE(backend.reads, 3);
}

TEST_F(ListenerTest, DiscoveryDuringAPendingReadEndsItAndReadingMovesToTheNewDevice) {
  StartListener();
  ASSERT_TRUE(WaitForReads(1));
  const std::u16string inputPath = LT260Interfaces()[0].Path;

  ASSERT_TRUE(channel->FindDevice(2049));
  // The pending read ends without a message, the old device closes once the
  // listener lets go of it, and the next read runs on the new device.
  ASSERT_TRUE(WaitForReads(2));
  for (int i = 0; i < 5000 && mouse.OpenDevicesOf(inputPath) != 1; ++i) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(mouse.OpenDevicesOf(inputPath), 1);
  EXPECT_TRUE(messages.Posts().empty());
  EXPECT_TRUE(debugOutput.Lines().empty());

  mouse.PressDpiButton(7);
  ASSERT_TRUE(messages.WaitForPosts(1));
  EXPECT_EQ(messages.Posts(), std::vector<PostedMessage>{Stage(7)});
  EXPECT_EQ(mouse.StaleReads(), 0);
}

TEST_F(ListenerTest, DestructionWithAPendingReadEndsPromptlyAndClosesEverything) {
  StartListener();
  ASSERT_TRUE(channel->FindDevice(40));
  ASSERT_TRUE(WaitForReads(1));

  auto destroyed = std::async(std::launch::async, [this] { channel.reset(); });
  ASSERT_EQ(destroyed.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(mouse.OpenDevices(), 0);
  EXPECT_EQ(mouse.OpenCount(), mouse.CloseCount());
  EXPECT_EQ(mouse.StaleReads(), 0);

  // Nothing reads any more: a press now reaches no device.
  EXPECT_EQ(mouse.PressDpiButton(1), 0);
}

TEST_F(ListenerTest, DestructionWithoutAMouseEndsTheIdleWait) {
  mouse.Unplug();
  StartListener();
  auto destroyed = std::async(std::launch::async, [this] { channel.reset(); });
  ASSERT_EQ(destroyed.wait_for(10s), std::future_status::ready);
}

}  // namespace
}  // namespace lt260
