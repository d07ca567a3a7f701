// The framework writes out the system's message numbers, styles and event
// codes so that code above the platform layer needs no system header; this
// file holds each of them against the system's own definition.
#include <windows.h>
// <dbt.h> and <wtsapi32.h> build on <windows.h>.
#include <dbt.h>
#include <wtsapi32.h>

#include "app/framework/WindowsMessageIds.h"
#include "ports/MessageNumbers.h"

namespace lt260 {

static_assert(kWmUser == WM_USER);
static_assert(kWmNull == WM_NULL);
static_assert(kWmCreate == WM_CREATE);
static_assert(kWmDestroy == WM_DESTROY);
static_assert(kWmClose == WM_CLOSE);
static_assert(kWmCommand == WM_COMMAND);
static_assert(kWmTimer == WM_TIMER);
static_assert(kWmLeftButtonDoubleClick == WM_LBUTTONDBLCLK);
static_assert(kWmRightButtonDown == WM_RBUTTONDOWN);
static_assert(kWmDeviceChange == WM_DEVICECHANGE);
static_assert(kWmSessionChange == WM_WTSSESSION_CHANGE);

static_assert(kDeviceNodesChanged == DBT_DEVNODES_CHANGED);
static_assert(kDeviceArrival == DBT_DEVICEARRIVAL);
static_assert(kDeviceQueryRemove == DBT_DEVICEQUERYREMOVE);
static_assert(kDeviceQueryRemoveFailed == DBT_DEVICEQUERYREMOVEFAILED);
static_assert(kDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE);

static_assert(kPopupWindowStyle == WS_POPUP);
static_assert(kToolWindowExStyle == WS_EX_TOOLWINDOW);

static_assert(kSessionConsoleConnect == WTS_CONSOLE_CONNECT);
static_assert(kSessionConsoleDisconnect == WTS_CONSOLE_DISCONNECT);
static_assert(kSessionLock == WTS_SESSION_LOCK);
static_assert(kSessionUnlock == WTS_SESSION_UNLOCK);

}  // namespace lt260
