#include <gtest/gtest.h>

#include "app/AgentHarness.h"
#include "app/CHidApp.h"

namespace lt260 {
namespace {

using test::AgentHarness;
using test::FakeSingleInstance;

TEST(AgentApp, SecondStartEndsAtOnceAndTouchesNothing) {
  AgentHarness agent;
  std::vector<std::u16string> heldMarkers;
  FakeSingleInstance firstMarker(heldMarkers);
  FakeSingleInstance secondMarker(heldMarkers);
  int windowsMade = 0;
  auto makeWindow = [&] {
    ++windowsMade;
    return std::make_unique<CMyWnd>(agent.Ports());
  };

  CHidApp first(agent.windowSystem, firstMarker, makeWindow);
  ASSERT_TRUE(first.InitInstance());
  ASSERT_NE(first.AgentWindow(), nullptr);
  EXPECT_EQ(heldMarkers, std::vector<std::u16string>{u"Quendra_LT-260_Hid"});
  agent.mouse.ClearTransfers();
  agent.tray.calls.clear();
  agent.launcher.opened.clear();

  CHidApp second(agent.windowSystem, secondMarker, makeWindow);
  EXPECT_EQ(second.Run(), 0);
  EXPECT_EQ(second.AgentWindow(), nullptr);
  EXPECT_EQ(windowsMade, 1);
  EXPECT_EQ(agent.windowSystem.WindowCount(), 1u);
  EXPECT_EQ(agent.windowSystem.LoopRuns(), 0);
  EXPECT_TRUE(agent.mouse.TraceSummary().empty());
  EXPECT_TRUE(agent.tray.calls.empty());
  EXPECT_TRUE(agent.launcher.opened.empty());
  EXPECT_EQ(heldMarkers.size(), 1u) << "the first Agent keeps its marker";

  EXPECT_EQ(first.ExitInstance(), 0);
  EXPECT_TRUE(heldMarkers.empty());
}

TEST(AgentApp, RunsTheLoopWhileTheWindowLivesAndReleasesEverythingAfter) {
  AgentHarness agent;
  std::vector<std::u16string> heldMarkers;
  FakeSingleInstance marker(heldMarkers);
  CHidApp app(agent.windowSystem, marker, [&] { return std::make_unique<CMyWnd>(agent.Ports()); });
  const int openBefore = agent.mouse.OpenDevices();
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(agent.windowSystem.LoopRuns(), 1);
  EXPECT_EQ(app.AgentWindow(), nullptr) << "the window object is gone after the end";
  EXPECT_EQ(agent.mouse.OpenDevices(), openBefore) << "no device handle outlives the Agent";
  EXPECT_EQ(agent.registry.OpenHandleCount(), 0u) << "the registry key is closed";
  EXPECT_TRUE(heldMarkers.empty());
}

}  // namespace
}  // namespace lt260
