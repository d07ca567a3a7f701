// The window framework over a fake window system: dispatch through the
// message table, default processing, and the application's lifetime.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "app/framework/CWinApp.h"
#include "app/framework/CWnd.h"
#include "app/framework/WindowsMessageIds.h"
#include "support/FakeWindowSystem.h"

namespace lt260 {
namespace {

using test::FakeWindowSystem;

constexpr uint32_t kPing = 0x0400 + 1;
constexpr uint32_t kUnhandled = 0x0400 + 2;
constexpr uint32_t kOpenCommand = 6001;
constexpr uint32_t kHideCommand = 6002;

struct Received {
  uint32_t Message = 0;
  uint64_t WParam = 0;
  int64_t LParam = 0;
  WindowId Handle = 0;  // the window's handle as the handler saw it
  friend bool operator==(const Received&, const Received&) = default;
};

class TableWindow : public CWnd {
 public:
  using CWnd::CWnd;

  intptr_t createResult = 0;
  std::vector<Received> received;

  intptr_t OnCreate(uint64_t wParam, int64_t lParam) {
    Record(kWmCreate, wParam, lParam);
    return createResult;
  }
  intptr_t OnPing(uint64_t wParam, int64_t lParam) {
    Record(kPing, wParam, lParam);
    return 42;
  }
  // A second row for the same message: never reached, the first row wins.
  intptr_t OnPingAgain(uint64_t wParam, int64_t lParam) {
    Record(kPing + 0x100, wParam, lParam);
    return 43;
  }
  intptr_t OnOpen(uint64_t wParam, int64_t lParam) {
    Record(kOpenCommand, wParam, lParam);
    return 1;
  }
  intptr_t OnHide(uint64_t wParam, int64_t lParam) {
    Record(kHideCommand, wParam, lParam);
    return 2;
  }
  intptr_t OnDestroy(uint64_t wParam, int64_t lParam) {
    Record(kWmDestroy, wParam, lParam);
    return Default(kWmDestroy, wParam, lParam);
  }

 protected:
  std::span<const MessageMapEntry> GetMessageMap() const override {
    static constexpr MessageMapEntry kMap[] = {
        OnMessage<TableWindow, &TableWindow::OnCreate>(kWmCreate),
        OnMessage<TableWindow, &TableWindow::OnPing>(kPing),
        OnMessage<TableWindow, &TableWindow::OnPingAgain>(kPing),
        OnMessage<TableWindow, &TableWindow::OnOpen>(kWmCommand, kOpenCommand),
        OnMessage<TableWindow, &TableWindow::OnHide>(kWmCommand, kHideCommand),
        OnMessage<TableWindow, &TableWindow::OnDestroy>(kWmDestroy),
    };
    return kMap;
  }

 private:
  void Record(uint32_t message, uint64_t wParam, int64_t lParam) {
    received.push_back(Received{message, wParam, lParam, GetSafeHwnd()});
  }
};

// A window with no table of its own: everything is default processing.
class PlainWindow : public CWnd {
 public:
  using CWnd::CWnd;
};

TEST(FrameworkWindow, CreationAttachesTheHandleBeforeWmCreate) {
  FakeWindowSystem system;
  TableWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, u"Probe", kPopupWindowStyle, 100, 100, 100, 100));

  const WindowId handle = window.GetSafeHwnd();
  ASSERT_NE(handle, 0u);
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0], (Received{kWmCreate, 0, 0, handle}));
  const auto* created = system.Find(handle);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->Title, u"Probe");
  EXPECT_EQ(created->Style, kPopupWindowStyle);
  EXPECT_EQ(created->ExtendedStyle, 0u);
  EXPECT_EQ((std::vector<int>{created->X, created->Y, created->Width, created->Height}),
            (std::vector<int>{100, 100, 100, 100}));
}

TEST(FrameworkWindow, CreationFailsWhenWmCreateReturnsMinusOne) {
  FakeWindowSystem system;
  TableWindow window(system);
  window.createResult = -1;

  EXPECT_FALSE(window.CreateEx(0, u"Refused", kPopupWindowStyle, 0, 0, 1, 1));
  EXPECT_EQ(window.GetSafeHwnd(), 0u);
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_NE(window.received[0].Handle, 0u);
  // Not the main window: its end ends nothing.
  EXPECT_EQ(system.QuitPosts(), 0);
}

TEST(FrameworkWindow, MessagesAreDispatchedThroughTheTable) {
  FakeWindowSystem system;
  TableWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, u"Probe", kPopupWindowStyle, 0, 0, 1, 1));
  const WindowId handle = window.GetSafeHwnd();
  window.received.clear();

  struct Case {
    const char* what;
    uint32_t message;
    uint64_t wParam;
    int64_t lParam;
    intptr_t result;             // what the window system gets back
    std::vector<uint32_t> seen;  // handlers reached
    bool toDefault;
  };
  const Case cases[] = {
      {"table row, parameters whole", kPing, 0xFFFF'FFFF'FFFF'FFFFull, -5, 42, {kPing}, false},
      {"command by its id", kWmCommand, kOpenCommand, 0, 1, {kOpenCommand}, false},
      {"second command", kWmCommand, kHideCommand, 7, 2, {kHideCommand}, false},
      {"command id is the low word only",
       kWmCommand,
       (1u << 16) | kHideCommand,
       0,
       2,
       {kHideCommand},
       false},
      {"command with 64-bit upper bits",
       kWmCommand,
       0xABCD'0000'0000'0000ull | kOpenCommand,
       0,
       1,
       {kOpenCommand},
       false},
      {"command not in the table", kWmCommand, 6003, 0, 0, {}, true},
      {"message not in the table", kUnhandled, 3, 4, 0, {}, true},
      {"command id in a non-command message", kUnhandled, kOpenCommand, 0, 0, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window.received.clear();
    system.ClearDefaultCalls();

    EXPECT_EQ(system.Send(handle, c.message, c.wParam, c.lParam), c.result);

    std::vector<uint32_t> seen;
    for (const Received& r : window.received) {
      seen.push_back(r.Message);
      EXPECT_EQ(r.WParam, c.wParam);
      EXPECT_EQ(r.LParam, c.lParam);
      EXPECT_EQ(r.Handle, handle);
    }
    EXPECT_EQ(seen, c.seen);
    if (c.toDefault) {
      EXPECT_EQ(system.DefaultCalls(),
                (std::vector<FakeWindowSystem::Call>{{handle, c.message, c.wParam, c.lParam}}));
    } else {
      EXPECT_TRUE(system.DefaultCalls().empty());
    }
  }
}

TEST(FrameworkWindow, WindowWithoutATableGetsDefaultProcessingForEverything) {
  FakeWindowSystem system;
  PlainWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, u"Plain", kPopupWindowStyle, 0, 0, 1, 1));
  const WindowId handle = window.GetSafeHwnd();
  system.Send(handle, kWmCommand, kOpenCommand, 0);

  EXPECT_EQ(system.DefaultCalls(),
            (std::vector<FakeWindowSystem::Call>{{handle, kWmCreate, 0, 0},
                                                 {handle, kWmCommand, kOpenCommand, 0}}));
}

TEST(FrameworkWindow, DeletingTheObjectDestroysALiveWindow) {
  FakeWindowSystem system;
  WindowId handle = 0;
  {
    PlainWindow window(system);
    ASSERT_TRUE(window.CreateEx(0, u"Plain", kPopupWindowStyle, 0, 0, 1, 1));
    handle = window.GetSafeHwnd();
  }
  EXPECT_TRUE(system.Find(handle)->Destroyed);
  EXPECT_EQ(system.Send(handle, kWmCommand, kOpenCommand, 0), 0) << "no object to reach";
}

TEST(FrameworkWindow, TitleStyleAndDestructionReachTheirWindow) {
  FakeWindowSystem system;
  TableWindow first(system);
  TableWindow second(system);
  ASSERT_TRUE(first.CreateEx(0, u"First", kPopupWindowStyle, 0, 0, 1, 1));
  ASSERT_TRUE(second.CreateEx(0, u"Second", kPopupWindowStyle, 0, 0, 1, 1));
  const WindowId firstHandle = first.GetSafeHwnd();
  const WindowId secondHandle = second.GetSafeHwnd();
  ASSERT_NE(firstHandle, secondHandle);

  second.SetTitle(u"Renamed");
  second.SetExtendedStyle(kToolWindowExStyle);
  EXPECT_EQ(system.Find(firstHandle)->Title, u"First");
  EXPECT_EQ(system.Find(firstHandle)->ExtendedStyle, 0u);
  EXPECT_EQ(system.Find(secondHandle)->Title, u"Renamed");
  EXPECT_EQ(system.Find(secondHandle)->ExtendedStyle, kToolWindowExStyle);

  first.DestroyWindow();
  EXPECT_TRUE(system.Find(firstHandle)->Destroyed);
  EXPECT_FALSE(system.Find(secondHandle)->Destroyed);
  EXPECT_EQ(first.GetSafeHwnd(), 0u);
  EXPECT_EQ(first.received.back().Message, static_cast<uint32_t>(kWmDestroy));
  EXPECT_EQ(first.received.back().Handle, firstHandle);
  EXPECT_EQ(system.QuitPosts(), 0);
}

// An application whose start is scripted by the test.
class ScriptedApp : public CWinApp {
 public:
  ScriptedApp(FakeWindowSystem& system, TableWindow* window, bool startResult)
      : CWinApp(system), system_(system), window_(window), startResult_(startResult) {}

  std::function<void(ScriptedApp&)> afterStart;
  int exitCalls = 0;

  bool InitInstance() override {
    if (window_ != nullptr) {
      window_->CreateEx(0, u"Main", kPopupWindowStyle, 0, 0, 1, 1);
      SetMainWindow(window_);
    }
    if (afterStart) afterStart(*this);
    return startResult_;
  }
  int ExitInstance() override {
    ++exitCalls;
    return CWinApp::ExitInstance();
  }

  using CWinApp::MainWindow;
  using CWinApp::SetMainWindow;
  FakeWindowSystem& System() { return system_; }

 private:
  FakeWindowSystem& system_;
  TableWindow* window_;
  bool startResult_;
};

TEST(FrameworkApp, RunWithoutAMainWindowEndsAtOnceWithCodeZero) {
  struct Case {
    const char* what;
    bool withWindow;
    bool createFails;
    bool startResult;
  };
  const Case cases[] = {
      {"no window", false, false, true},
      {"start says no", true, false, false},
      {"main window could not be created", true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeWindowSystem system;
    system.PostQuit(9);  // would be the loop's result if the loop ran
    TableWindow window(system);
    window.createResult = c.createFails ? -1 : 0;
    ScriptedApp app(system, c.withWindow ? &window : nullptr, c.startResult);

    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(system.LoopRuns(), 0);
    EXPECT_EQ(app.exitCalls, 1);
  }
}

TEST(FrameworkApp, RunReturnsTheQuitCodeThroughExitInstance) {
  FakeWindowSystem system;
  TableWindow window(system);
  ScriptedApp app(system, &window, true);
  app.afterStart = [](ScriptedApp& self) { self.System().PostQuit(7); };

  EXPECT_EQ(app.Run(), 7);
  EXPECT_EQ(system.LoopRuns(), 1);
  EXPECT_EQ(app.exitCalls, 1);
}

TEST(FrameworkApp, DestroyingTheMainWindowQuitsWithCodeZero) {
  FakeWindowSystem system;
  TableWindow main(system);
  TableWindow other(system);
  ScriptedApp app(system, &main, true);
  app.afterStart = [&other](ScriptedApp&) {
    other.CreateEx(0, u"Other", kPopupWindowStyle, 0, 0, 1, 1);
  };
  ASSERT_EQ(app.Run(), 0);  // the fake loop ends at once; nothing quit yet
  ASSERT_EQ(system.QuitPosts(), 0);

  other.DestroyWindow();
  EXPECT_EQ(system.QuitPosts(), 0);
  main.DestroyWindow();
  EXPECT_EQ(system.QuitPosts(), 1);
  EXPECT_EQ(system.QuitCode(), 0);
}

TEST(FrameworkApp, OnlyTheCurrentMainWindowQuits) {
  FakeWindowSystem system;
  TableWindow first(system);
  TableWindow second(system);
  ScriptedApp app(system, nullptr, true);
  ASSERT_TRUE(first.CreateEx(0, u"First", kPopupWindowStyle, 0, 0, 1, 1));
  ASSERT_TRUE(second.CreateEx(0, u"Second", kPopupWindowStyle, 0, 0, 1, 1));
  app.SetMainWindow(&first);
  app.SetMainWindow(&second);
  EXPECT_EQ(app.MainWindow(), &second);

  first.DestroyWindow();
  EXPECT_EQ(system.QuitPosts(), 0);
  second.DestroyWindow();
  EXPECT_EQ(system.QuitPosts(), 1);
}

}  // namespace
}  // namespace lt260
