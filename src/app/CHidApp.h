#pragma once

#include <functional>
#include <memory>

#include "app/CMyWnd.h"
#include "app/framework/CWinApp.h"
#include "ports/SingleInstance.h"

namespace lt260 {

// The application: one Agent per session, marked by a named mutex. A second
// start finds the mark and ends at once with exit code 0, touching nothing.
class CHidApp : public CWinApp {
 public:
  using WindowFactory = std::function<std::unique_ptr<CMyWnd>()>;

  CHidApp(WindowSystem& windowSystem, SingleInstance& instance, WindowFactory makeWindow);
  ~CHidApp() override;

  bool InitInstance() override;
  int ExitInstance() override;

  // The agent window while the Agent runs; null for a second instance.
  CMyWnd* AgentWindow() const { return window_.get(); }

 private:
  SingleInstance& instance_;
  WindowFactory makeWindow_;
  bool holdsInstance_ = false;
  std::unique_ptr<CMyWnd> window_;
};

}  // namespace lt260
