#include "app/framework/CWinApp.h"

namespace lt260 {

void CWinApp::SetMainWindow(CWnd* window) {
  if (mainWindow_ != nullptr) mainWindow_->SetMainWindow(false);
  mainWindow_ = window;
  if (mainWindow_ != nullptr) mainWindow_->SetMainWindow(true);
}

int CWinApp::Run() {
  if (InitInstance() && mainWindow_ != nullptr && mainWindow_->GetSafeHwnd() != 0) {
    exitCode_ = windowSystem_.RunMessageLoop();
  } else {
    exitCode_ = 0;
  }
  return ExitInstance();
}

}  // namespace lt260
