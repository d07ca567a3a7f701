// The icon after the shell's notification area starts again: Explorer
// restarted, or started after the Agent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AgentHarness.h"
#include "app/framework/WindowsMessageIds.h"
#include "ports/MessageNumbers.h"

namespace lt260 {
namespace {

using test::AgentHarness;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kAddedAgain[] = "TaskbarCreated: icon added again";

TEST(AgentTaskbarRestart, AddsTheIconAgainOnlyWhileItIsMeantToBeShown) {
  AgentHarness agent;
  CMyWnd& window = agent.Create();
  ASSERT_TRUE(agent.tray.shown);
  const uint32_t restart = agent.tray.restartMessage;

  // Explorer restarts: the new shell knows no icons.
  agent.tray.shown = false;
  EXPECT_EQ(agent.Send(restart), 0);
  EXPECT_TRUE(agent.tray.shown);
  EXPECT_EQ(agent.tray.last.Window, window.GetSafeHwnd());
  EXPECT_EQ(agent.tray.last.CallbackMessage, WM_AGENT_TRAY_NOTIFY);
  EXPECT_EQ(agent.tray.last.Tip, u"Quendra LT-260");
  EXPECT_TRUE(window.TrayIconShown());

  // The user removed it through the menu: a restart leaves it removed, and a
  // later show still adds it once.
  agent.Send(kWmCommand, ID_TRAY_HIDE);
  agent.Send(restart);
  EXPECT_FALSE(agent.tray.shown);
  agent.Send(WM_AGENT_RELOAD);
  EXPECT_TRUE(agent.tray.shown);

  EXPECT_THAT(agent.tray.calls, ElementsAre("add 128", "add 128", "delete 128", "add 128"));
  const std::vector<std::string> lines = agent.debug.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kAddedAgain), 1);
}

TEST(AgentTaskbarRestart, BringsBackAnIconRefusedBeforeTheTaskBarRan) {
  // At login the Agent may start before the task bar: the shell refuses the
  // icon, and announces itself once it is ready.
  AgentHarness agent;
  agent.tray.accepts = false;
  agent.Create();
  ASSERT_FALSE(agent.tray.shown);
  agent.tray.accepts = true;
  agent.Send(agent.tray.restartMessage);
  EXPECT_TRUE(agent.tray.shown);
}

TEST(AgentTaskbarRestart, WithoutTheMouseOrWithoutTheMessageNothingIsAdded) {
  AgentHarness agent;
  agent.mouse.Unplug();
  agent.Create();
  agent.Send(agent.tray.restartMessage);
  EXPECT_THAT(agent.tray.calls, IsEmpty());

  // A system with no restart message answers 0; message 0 is kWmNull, which
  // the Agent posts itself after every menu and must not add the icon.
  AgentHarness withoutMessage;
  withoutMessage.tray.restartMessage = 0;
  withoutMessage.Create();
  ASSERT_THAT(withoutMessage.tray.calls, ElementsAre("add 128"));
  withoutMessage.Send(kWmNull);
  EXPECT_THAT(withoutMessage.tray.calls, ElementsAre("add 128"));
}

}  // namespace
}  // namespace lt260
