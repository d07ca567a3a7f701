#include "app/CHidApp.h"

#include "ports/MessageNumbers.h"

namespace lt260 {

CHidApp::CHidApp(WindowSystem& windowSystem, SingleInstance& instance, WindowFactory makeWindow)
    : CWinApp(windowSystem), instance_(instance), makeWindow_(std::move(makeWindow)) {}

CHidApp::~CHidApp() = default;

bool CHidApp::InitInstance() {
  holdsInstance_ = instance_.Acquire(kAgentWindowTitle);
  if (!holdsInstance_) return true;  // no main window: the loop ends at once with 0

  window_ = makeWindow_();
  window_->CreateAgentWindow();
  SetMainWindow(window_.get());
  return true;
}

int CHidApp::ExitInstance() {
  if (holdsInstance_) instance_.Release();
  holdsInstance_ = false;
  SetMainWindow(nullptr);
  window_.reset();
  return CWinApp::ExitInstance();
}

}  // namespace lt260
