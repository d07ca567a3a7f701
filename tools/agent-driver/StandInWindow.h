#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Waiting.h"

namespace lt260::driver {

// One message as a stand-in window received it.
struct ReceivedMessage {
  UINT Message = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  bool Posted = false;  // taken from the queue, rather than sent to the window
};

// A hidden top-level window with the given title on a thread of its own with
// its own message loop, standing in for another program of the suite. It
// writes down every message it receives, posted or sent, and lets nobody end
// it: a posted WM_DESTROY is recorded and never dispatched, WM_CLOSE is
// recorded and ignored. It ends with the object.
class StandInWindow {
 public:
  explicit StandInWindow(std::wstring title);
  ~StandInWindow();
  StandInWindow(const StandInWindow&) = delete;
  StandInWindow& operator=(const StandInWindow&) = delete;

  // Creates the window; false with the reason when it could not be made.
  bool Open(std::string& error);
  HWND Handle() const { return window_; }

  std::vector<ReceivedMessage> Messages() const;
  // The messages with this number, in the order received.
  std::vector<ReceivedMessage> MessagesOf(UINT message) const;
  // Waits until at least `count` messages with this number have arrived.
  bool WaitForMessages(UINT message, size_t count, std::chrono::milliseconds limit = kPatience);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Run();
  void Record(UINT message, WPARAM wParam, LPARAM lParam, bool posted);

  std::wstring title_;
  std::wstring className_;
  std::thread thread_;
  HWND window_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  bool openDone_ = false;
  std::string openError_;
  bool dispatchingPosted_ = false;  // touched on the window's thread only
  std::vector<ReceivedMessage> received_;
};

}  // namespace lt260::driver
