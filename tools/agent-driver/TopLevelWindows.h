#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>

#include "Waiting.h"

namespace lt260::driver {

// The top-level window with this title, or nullptr.
HWND FindWindowTitled(std::wstring_view title);
// Waits until the window exists; nullptr when it did not appear in time.
HWND WaitForWindow(std::wstring_view title, std::chrono::milliseconds limit = kPatience);
// Waits until no window has the title.
bool WaitForNoWindow(std::wstring_view title, std::chrono::milliseconds limit = kPatience);

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::string& error);
// Sends and waits for the answer at most `limit`; the answer in `result`.
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
          std::string& error, std::chrono::milliseconds limit = kPatience);

// A readable name for the numbers the Agent and the Configurator exchange
// ("WM_CFG_DPI_STAGE"), or the number in hexadecimal.
std::string MessageName(UINT message);

}  // namespace lt260::driver
