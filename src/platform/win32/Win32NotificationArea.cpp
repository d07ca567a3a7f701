#include "platform/win32/Win32NotificationArea.h"

#include <windows.h>
// <windows.h> first: the shell header builds on it.
#include <shellapi.h>

#include <algorithm>
#include <cstddef>

namespace lt260 {
namespace {

// The record's size as the shell versions that know guidItem but not
// hBalloonIcon expect it. Taken from the structure itself, since the figure
// differs between 32-bit and 64-bit builds.
constexpr DWORD kNotifyIconDataSize = offsetof(NOTIFYICONDATAW, hBalloonIcon);
static_assert(kNotifyIconDataSize ==
              offsetof(NOTIFYICONDATAW, guidItem) + sizeof(NOTIFYICONDATAW::guidItem));

constexpr std::size_t kTipCapacity = std::size(NOTIFYICONDATAW{}.szTip);

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

NOTIFYICONDATAW RecordFor(const TrayIconRecord& icon, HICON image) {
  NOTIFYICONDATAW data{};
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = reinterpret_cast<HWND>(icon.Window);
  data.uID = icon.Id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = icon.CallbackMessage;
  data.hIcon = image;
  // Cut to fit with room for the terminating zero, never between the two
  // halves of a surrogate pair.
  std::size_t length = std::min(icon.Tip.size(), kTipCapacity - 1);
  if (length < icon.Tip.size() && length > 0 && IsHighSurrogate(icon.Tip[length - 1])) --length;
  std::copy_n(icon.Tip.begin(), length, data.szTip);
  data.szTip[length] = L'\0';
  return data;
}

}  // namespace

uintptr_t Win32NotificationArea::IconFor(int resource) {
  if (icon_ == 0 || iconResource_ != resource) {
    HICON image =
        ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(static_cast<WORD>(resource)));
    icon_ = reinterpret_cast<uintptr_t>(image);
    iconResource_ = resource;
  }
  return icon_;
}

bool Win32NotificationArea::Add(const TrayIconRecord& icon) {
  // Without its image the icon is still offered: the shell decides.
  NOTIFYICONDATAW data = RecordFor(icon, reinterpret_cast<HICON>(IconFor(icon.IconResource)));
  return ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool Win32NotificationArea::Delete(const TrayIconRecord& icon) {
  NOTIFYICONDATAW data = RecordFor(icon, reinterpret_cast<HICON>(icon_));
  return ::Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

uint32_t Win32NotificationArea::RestartMessage() {
  if (restartMessage_ == 0) restartMessage_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  return restartMessage_;
}

}  // namespace lt260
