#pragma once

#include "app/framework/CWnd.h"
#include "app/framework/WindowSystem.h"

namespace lt260 {

// The application: a start hook, the message loop while a main window lives,
// and an end hook.
class CWinApp {
 public:
  explicit CWinApp(WindowSystem& windowSystem) : windowSystem_(windowSystem) {}
  virtual ~CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start: true to go on to the message loop.
  virtual bool InitInstance() = 0;
  // End: returns the process's exit code.
  virtual int ExitInstance() { return exitCode_; }

  // InitInstance, then the message loop unless there is no main window (the
  // quit code is then 0 at once), then ExitInstance, whose result is returned.
  int Run();

 protected:
  void SetMainWindow(CWnd* window);
  CWnd* MainWindow() const { return mainWindow_; }
  WindowSystem& Windows() { return windowSystem_; }

 private:
  WindowSystem& windowSystem_;
  CWnd* mainWindow_ = nullptr;
  int exitCode_ = 0;
};

}  // namespace lt260
