// The window framework's real windows and the agent window's ports against
// the system itself (run under Wine in the Windows build).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/framework/CWinApp.h"
#include "app/framework/CWnd.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32CompanionLibrary.h"
#include "platform/win32/Win32DebugOutput.h"
#include "platform/win32/Win32NotificationArea.h"
#include "platform/win32/Win32PopupMenu.h"
#include "platform/win32/Win32ProgramLauncher.h"
#include "platform/win32/Win32SessionNotifications.h"
#include "platform/win32/Win32SingleInstance.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32WindowMessages.h"
#include "platform/win32/Win32WindowSystem.h"

namespace lt260 {
namespace {

constexpr uint32_t kPing = WM_APP + 1;
constexpr uint32_t kAnswer = WM_APP + 2;
constexpr uint32_t kOpenCommand = 6001;
constexpr uint32_t kHideCommand = 6002;
constexpr UINT_PTR kEndMenuTimer = 7;
constexpr UINT_PTR kChooseFirstItemTimer = 8;
constexpr UINT_PTR kFrameworkTimer = 9;

// Titles and names unique to this process: tests of other executables may
// run in the same Wine session at the same time.
std::u16string Unique(std::u16string_view what) {
  const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
  std::u16string name = u"LT260 ports test ";
  name.append(pid.begin(), pid.end());
  name += u' ';
  name += what;
  return name;
}

HWND AsHwnd(WindowId window) { return reinterpret_cast<HWND>(window); }

std::filesystem::path SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::filesystem::path(folder);
}

struct Received {
  uint32_t Message = 0;
  uint64_t WParam = 0;
  int64_t LParam = 0;
  WindowId Handle = 0;
};

struct MenuSeen {
  UINT Id = 0;
  std::wstring Text;
};

class ProbeWindow : public CWnd {
 public:
  using CWnd::CWnd;

  intptr_t createResult = 0;
  std::vector<Received> received;
  std::vector<MenuSeen> menuSeen;

  intptr_t OnCreate(uint64_t wParam, int64_t lParam) {
    Record(WM_CREATE, wParam, lParam);
    return createResult;
  }
  // Ends the message loop: the window is the application's main window.
  intptr_t OnPing(uint64_t wParam, int64_t lParam) {
    Record(kPing, wParam, lParam);
    DestroyWindow();
    return 0;
  }
  intptr_t OnAnswer(uint64_t wParam, int64_t lParam) {
    Record(kAnswer, wParam, lParam);
    return -42;
  }
  intptr_t OnOpen(uint64_t wParam, int64_t lParam) {
    Record(WM_COMMAND, wParam, lParam);
    return 5;
  }
  intptr_t OnDestroy(uint64_t wParam, int64_t lParam) {
    Record(WM_DESTROY, wParam, lParam);
    return Default(WM_DESTROY, wParam, lParam);
  }
  intptr_t OnNcDestroy(uint64_t wParam, int64_t lParam) {
    Record(WM_NCDESTROY, wParam, lParam);
    return Default(WM_NCDESTROY, wParam, lParam);
  }
  intptr_t OnInitMenuPopup(uint64_t wParam, int64_t) {
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
      wchar_t text[64] = {};
      ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
      menuSeen.push_back(MenuSeen{::GetMenuItemID(menu, i), text});
    }
    return 0;
  }
  intptr_t OnTimer(uint64_t wParam, int64_t) {
    if (wParam == kEndMenuTimer) {
      ::KillTimer(AsHwnd(GetSafeHwnd()), kEndMenuTimer);
      ::EndMenu();
    } else if (wParam == kChooseFirstItemTimer) {
      ::KillTimer(AsHwnd(GetSafeHwnd()), kChooseFirstItemTimer);
      // Keys for the menu, as the user would press them.
      HWND menuWindow = ::FindWindowW(L"#32768", nullptr);
      ::PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
      ::PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    } else if (wParam == kFrameworkTimer) {
      // Stopped through the framework; the window's end ends the loop.
      Record(WM_TIMER, wParam, 0);
      KillTimer(kFrameworkTimer);
      DestroyWindow();
    }
    return 0;
  }

 protected:
  std::span<const MessageMapEntry> GetMessageMap() const override {
    static constexpr MessageMapEntry kMap[] = {
        OnMessage<ProbeWindow, &ProbeWindow::OnCreate>(WM_CREATE),
        OnMessage<ProbeWindow, &ProbeWindow::OnPing>(kPing),
        OnMessage<ProbeWindow, &ProbeWindow::OnAnswer>(kAnswer),
        OnMessage<ProbeWindow, &ProbeWindow::OnOpen>(WM_COMMAND, kOpenCommand),
        OnMessage<ProbeWindow, &ProbeWindow::OnDestroy>(WM_DESTROY),
        OnMessage<ProbeWindow, &ProbeWindow::OnNcDestroy>(WM_NCDESTROY),
        OnMessage<ProbeWindow, &ProbeWindow::OnInitMenuPopup>(WM_INITMENUPOPUP),
        OnMessage<ProbeWindow, &ProbeWindow::OnTimer>(WM_TIMER),
    };
    return kMap;
  }

 private:
  void Record(uint32_t message, uint64_t wParam, int64_t lParam) {
    received.push_back(Received{message, wParam, lParam, GetSafeHwnd()});
  }
};

// Creates its window as the main window and hands over to the test.
class ProbeApp : public CWinApp {
 public:
  ProbeApp(WindowSystem& system, ProbeWindow& window, std::u16string title,
           std::function<void()> started)
      : CWinApp(system), window_(window), title_(std::move(title)), started_(std::move(started)) {}

  bool InitInstance() override {
    if (!window_.CreateEx(0, title_, WS_POPUP, 100, 100, 100, 100)) return false;
    SetMainWindow(&window_);
    started_();
    return true;
  }

 private:
  ProbeWindow& window_;
  std::u16string title_;
  std::function<void()> started_;
};

TEST(Win32Window, MessagesReachTheTableUntilTheMainWindowEndsTheLoop) {
  Win32WindowSystem system;
  Win32WindowMessages messages;
  ProbeWindow window(system);
  const std::u16string title = Unique(u"window");
  WindowId handle = 0;

  ProbeApp app(system, window, title, [&] {
    handle = window.GetSafeHwnd();
    ASSERT_NE(handle, 0u);
    HWND hwnd = AsHwnd(handle);

    // WM_CREATE came during creation, with the handle already attached.
    ASSERT_EQ(window.received.size(), 1u);
    EXPECT_EQ(window.received[0].Message, static_cast<uint32_t>(WM_CREATE));
    EXPECT_EQ(window.received[0].Handle, handle);
    EXPECT_EQ(messages.FindWindowByTitle(title), handle);
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_VISIBLE);

    window.SetExtendedStyle(WS_EX_TOOLWINDOW);
    EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE), WS_EX_TOOLWINDOW);

    // A table row's result and parameters pass through the real procedure.
    EXPECT_EQ(::SendMessageW(hwnd, kAnswer, ~WPARAM{0}, -7), -42);
    EXPECT_EQ(window.received.back().WParam, ~uint64_t{0});
    EXPECT_EQ(window.received.back().LParam, -7);
    EXPECT_EQ(::SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(kOpenCommand, 1), 0), 5);
    EXPECT_EQ(::SendMessageW(hwnd, WM_COMMAND, kHideCommand, 0), 0);
    EXPECT_EQ(window.received.size(), 3u);

    // Messages outside the table get the system's default processing.
    EXPECT_TRUE(::SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"renamed")));
    wchar_t text[32] = {};
    ::GetWindowTextW(hwnd, text, 32);
    EXPECT_STREQ(text, L"renamed");
    window.SetTitle(title);
    EXPECT_EQ(messages.FindWindowByTitle(title), handle);

    EXPECT_TRUE(messages.Post(messages.FindWindowByTitle(title), kPing, 0x1'2345'6789ull, -3));
  });

  // The posted message destroys the main window, which ends the loop.
  EXPECT_EQ(app.Run(), 0);
  ASSERT_GE(window.received.size(), 6u);
  const Received& ping = window.received[window.received.size() - 3];
  EXPECT_EQ(ping.Message, kPing);
  EXPECT_EQ(ping.WParam, 0x1'2345'6789ull);
  EXPECT_EQ(ping.LParam, -3);
  const Received& destroy = window.received[window.received.size() - 2];
  EXPECT_EQ(destroy.Message, static_cast<uint32_t>(WM_DESTROY));
  EXPECT_EQ(destroy.Handle, handle);
  EXPECT_EQ(window.received.back().Message, static_cast<uint32_t>(WM_NCDESTROY));
  EXPECT_EQ(window.received.back().Handle, handle);

  // Detached after its last message: nothing of the dead window reaches it.
  EXPECT_EQ(window.GetSafeHwnd(), 0u);
  EXPECT_FALSE(::IsWindow(AsHwnd(handle)));
  EXPECT_EQ(messages.FindWindowByTitle(title), 0u);
  EXPECT_FALSE(messages.Post(handle, kPing, 0, 0));
}

TEST(Win32Window, FrameworkTimerFiresWithItsIdentifier) {
  Win32WindowSystem system;
  ProbeWindow window(system);
  ProbeApp app(system, window, Unique(u"timer"), [&] {
    ASSERT_TRUE(window.SetTimer(kFrameworkTimer, 50));
    // Setting it again starts its period again; it stays one timer.
    ASSERT_TRUE(window.SetTimer(kFrameworkTimer, 20));
  });
  EXPECT_EQ(app.Run(), 0);
  const auto timers = std::count_if(window.received.begin(), window.received.end(),
                                    [](const Received& r) { return r.Message == WM_TIMER; });
  EXPECT_EQ(timers, 1);
  EXPECT_FALSE(window.SetTimer(kFrameworkTimer, 20)) << "no timer for a window that is gone";
}

TEST(Win32Window, WindowRefusedByWmCreateIsDestroyedAndDetached) {
  Win32WindowSystem system;
  Win32WindowMessages messages;
  ProbeWindow window(system);
  window.createResult = -1;
  const std::u16string title = Unique(u"refused");

  EXPECT_FALSE(window.CreateEx(0, title, WS_POPUP, 0, 0, 10, 10));
  EXPECT_EQ(window.GetSafeHwnd(), 0u);
  EXPECT_EQ(messages.FindWindowByTitle(title), 0u);
  // The refused window's last message still reached it, with its handle;
  // only then was it detached. (Wine sends no WM_DESTROY here, so nothing
  // relies on one.)
  ASSERT_GE(window.received.size(), 2u);
  EXPECT_EQ(window.received.front().Message, static_cast<uint32_t>(WM_CREATE));
  EXPECT_EQ(window.received.back().Message, static_cast<uint32_t>(WM_NCDESTROY));
  EXPECT_NE(window.received.back().Handle, 0u);
}

TEST(Win32Window, WindowsAreFoundOnlyByTheirExactTitle) {
  Win32WindowMessages messages;
  EXPECT_EQ(messages.FindWindowByTitle(Unique(u"nobody has this title")), 0u);
  EXPECT_FALSE(messages.Post(0x7FFF'FFF0u, WM_NULL, 0, 0));
}

TEST(Win32PopupMenu, ShowsTheItemsAndReturnsWhenTheMenuEnds) {
  Win32WindowSystem system;
  ProbeWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, Unique(u"menu owner"), WS_POPUP, 0, 0, 10, 10));
  HWND hwnd = AsHwnd(window.GetSafeHwnd());
  // The menu's own loop dispatches the timer, which ends the menu.
  ASSERT_NE(::SetTimer(hwnd, kEndMenuTimer, 200, nullptr), 0u);

  Win32PopupMenu menu;
  menu.Track(window.GetSafeHwnd(), {{u"Open", kOpenCommand}, {u"", kHideCommand}});

  ASSERT_EQ(window.menuSeen.size(), 2u);
  EXPECT_EQ(window.menuSeen[0].Id, kOpenCommand);
  EXPECT_EQ(window.menuSeen[0].Text, L"Open");
  EXPECT_EQ(window.menuSeen[1].Id, kHideCommand);
  EXPECT_EQ(window.menuSeen[1].Text, L"");
  window.DestroyWindow();
}

TEST(Win32PopupMenu, AChosenItemArrivesAsACommandAfterTheMenuCloses) {
  Win32WindowSystem system;
  ProbeWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, Unique(u"menu chooser"), WS_POPUP, 0, 0, 10, 10));
  HWND hwnd = AsHwnd(window.GetSafeHwnd());
  ASSERT_NE(::SetTimer(hwnd, kChooseFirstItemTimer, 200, nullptr), 0u);

  Win32PopupMenu menu;
  menu.Track(window.GetSafeHwnd(), {{u"Open", kOpenCommand}, {u"Hide", kHideCommand}});
  window.received.clear();
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);

  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].Message, static_cast<uint32_t>(WM_COMMAND));
  EXPECT_EQ(window.received[0].WParam & 0xFFFF, kOpenCommand);
  window.DestroyWindow();
}

TEST(Win32SessionNotifications, RegistersARealWindow) {
  Win32WindowSystem system;
  ProbeWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, Unique(u"session"), WS_POPUP, 0, 0, 10, 10));
  Win32SessionNotifications notifications;
  EXPECT_TRUE(notifications.Register(window.GetSafeHwnd()));
  notifications.Unregister(window.GetSafeHwnd());
  window.DestroyWindow();
}

TEST(Win32SingleInstance, ANameIsHeldOnceEvenWithinOneProcess) {
  const std::u16string name = Unique(u"instance");
  Win32SingleInstance first;
  Win32SingleInstance second;
  EXPECT_TRUE(first.Acquire(name));
  EXPECT_FALSE(second.Acquire(name));

  // The refused one holds nothing, so releasing the first frees the name.
  first.Release();
  first.Release();
  {
    Win32SingleInstance third;
    EXPECT_TRUE(third.Acquire(name));
    EXPECT_FALSE(first.Acquire(name));
  }
  // The destructor released it.
  EXPECT_TRUE(first.Acquire(name));
}

TEST(Win32SystemInfo, FoldersAndVersion) {
  Win32SystemInfo info;

  const auto appData = info.AppDataFolder();
  ASSERT_TRUE(appData.has_value());
  EXPECT_TRUE(appData->wstring().ends_with(L"AppData\\Roaming")) << appData->string();
  EXPECT_TRUE(std::filesystem::is_directory(*appData));

  const std::filesystem::path program = info.ProgramFolder();
  EXPECT_FALSE(program.wstring().ends_with(L"\\")) << program.string();
  EXPECT_TRUE(std::filesystem::is_regular_file(program / "Win32AgentPortsTest.exe"))
      << program.string();

  EXPECT_GE(info.WindowsMajorVersion(), 5u);
}

TEST(Win32CompanionLibrary, CallsTheExportOfAFullPathOnly) {
  const std::filesystem::path system = SystemFolder();
  ASSERT_FALSE(system.empty());
  Win32CompanionLibrary library;

  // _lrotl(value, shift): the two integers arrive in order.
  EXPECT_EQ(library.Call(system / "msvcrt.dll", "_lrotl", 0x12, 4), 0x120);
  EXPECT_EQ(library.Call(system / "kernel32.dll", "LT260NoSuchExport", 1, 2), 0);
  EXPECT_EQ(library.Call(system / "lt260-no-such-library.dll", "CheckUsbPidVid", 1, 2), 0);
  // Found by the search path, and refused for it.
  EXPECT_EQ(library.Call("msvcrt.dll", "_lrotl", 0x12, 4), 0);
}

TEST(Win32ProgramLauncher, OpensAFullPathOnly) {
  const std::filesystem::path system = SystemFolder();
  ASSERT_FALSE(system.empty());
  Win32ProgramLauncher launcher;

  EXPECT_FALSE(launcher.Open("hostname.exe"));
  EXPECT_FALSE(launcher.Open(system / "lt260-no-such-program.exe"));
  if (std::filesystem::is_regular_file(system / "hostname.exe")) {
    EXPECT_TRUE(launcher.Open(system / "hostname.exe"));
  }
}

// Debug output is raised as an exception that a debugger would take: the
// ANSI form always, preceded on newer systems by the UTF-16 form. A
// vectored handler sees both before the system's own handling.
constexpr DWORD kDebugPrintAnsi = 0x40010006;
constexpr DWORD kDebugPrintWide = 0x4001000A;
std::vector<std::string> gAnsiLines;
std::vector<std::wstring> gWideLines;

LONG CALLBACK RecordDebugOutput(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (record.NumberParameters >= 2 && record.ExceptionCode == kDebugPrintAnsi) {
    gAnsiLines.emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
  } else if (record.NumberParameters >= 2 && record.ExceptionCode == kDebugPrintWide) {
    gWideLines.emplace_back(reinterpret_cast<const wchar_t*>(record.ExceptionInformation[1]));
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

std::string Ansi(const std::wstring& text) {
  char buffer[256] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
  return buffer;
}

TEST(Win32DebugOutput, WritesUtf8LinesAsUtf16) {
  void* handler = ::AddVectoredExceptionHandler(1, RecordDebugOutput);
  ASSERT_NE(handler, nullptr);
  Win32DebugOutput output;
  output.Write("OnCreate over");
  output.Write("Stufe \xC3\xA9\n");  // "Stufe é" in UTF-8
  ::RemoveVectoredExceptionHandler(handler);

  const std::wstring accented = L"Stufe \u00E9\n";
  ASSERT_EQ(gAnsiLines.size(), 2u);
  EXPECT_EQ(gAnsiLines[0], "OnCreate over");
  // Passed on byte for byte, the UTF-8 would read as two characters.
  EXPECT_EQ(gAnsiLines[1], Ansi(accented));
  if (!gWideLines.empty()) {
    EXPECT_EQ(gWideLines, (std::vector<std::wstring>{L"OnCreate over", accented}));
  }
}

// No notification area under Wine: the shell refuses every icon, so only the
// call's safety is shown here (a tip longer than the record's field).
TEST(Win32NotificationArea, AddAndDeleteWithAnOverlongTip) {
  Win32WindowSystem system;
  ProbeWindow window(system);
  ASSERT_TRUE(window.CreateEx(0, Unique(u"icon owner"), WS_POPUP, 0, 0, 10, 10));
  TrayIconRecord icon;
  icon.Window = window.GetSafeHwnd();
  icon.CallbackMessage = kAnswer;
  icon.Tip = std::u16string(300, u'x');
  Win32NotificationArea area;
  const bool added = area.Add(icon);
  EXPECT_EQ(area.Delete(icon), added);
  window.DestroyWindow();
}

// The restart message is the one every program registers under the shell's
// name, so that the shell's broadcast reaches the agent window.
TEST(Win32NotificationArea, RestartMessageIsTheSystemsTaskbarCreated) {
  Win32NotificationArea area;
  const uint32_t message = area.RestartMessage();
  EXPECT_GE(message, 0xC000u) << "registered messages are numbered from 0xC000";
  EXPECT_EQ(message, ::RegisterWindowMessageW(L"TaskbarCreated"));
  EXPECT_EQ(Win32NotificationArea{}.RestartMessage(), message);
}

TEST(Win32Clock, TicksAdvanceAcrossASleep) {
  Win32Clock clock;
  const uint32_t before = clock.TickCount();
  clock.Sleep(100);
  // The counter moves in steps of up to about 16 ms.
  EXPECT_GE(clock.TickCount() - before, 80u);
}

}  // namespace
}  // namespace lt260
