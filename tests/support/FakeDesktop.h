#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ports/CompanionLibrary.h"
#include "ports/NotificationArea.h"
#include "ports/PopupMenu.h"
#include "ports/ProgramLauncher.h"
#include "ports/SessionNotifications.h"
#include "ports/SingleInstance.h"
#include "ports/SystemInfo.h"

namespace lt260::test {

// The shell's notification area: which icons are there, and every call.
class FakeNotificationArea final : public NotificationArea {
 public:
  bool Add(const TrayIconRecord& icon) override {
    calls.push_back("add " + std::to_string(icon.Id));
    if (!accepts) return false;
    shown = true;
    last = icon;
    return true;
  }
  bool Delete(const TrayIconRecord& icon) override {
    calls.push_back("delete " + std::to_string(icon.Id));
    shown = false;
    return true;
  }
  uint32_t RestartMessage() override { return restartMessage; }

  bool accepts = true;  // false: the shell refuses, as with no task bar
  bool shown = false;
  uint32_t restartMessage = 0xC0DE;  // a registered message's range
  TrayIconRecord last;
  std::vector<std::string> calls;
};

// Records the menus shown; the test plays the user by posting afterwards.
class FakePopupMenu final : public PopupMenu {
 public:
  void Track(WindowId owner, const std::vector<MenuItem>& items) override {
    owners.push_back(owner);
    menus.push_back(items);
  }
  std::vector<WindowId> owners;
  std::vector<std::vector<MenuItem>> menus;
};

class FakeProgramLauncher final : public ProgramLauncher {
 public:
  bool Open(const std::filesystem::path& program) override {
    opened.push_back(program);
    return true;
  }
  std::vector<std::filesystem::path> opened;
};

class FakeSystemInfo final : public SystemInfo {
 public:
  std::optional<std::filesystem::path> AppDataFolder() override { return appData; }
  std::filesystem::path ProgramFolder() override { return programFolder; }
  uint32_t WindowsMajorVersion() override { return majorVersion; }

  std::optional<std::filesystem::path> appData;
  std::filesystem::path programFolder;
  uint32_t majorVersion = 10;
};

class FakeCompanionLibrary final : public CompanionLibrary {
 public:
  int32_t Call(const std::filesystem::path& library, const char* exportName, int32_t first,
               int32_t second) override {
    calls.push_back(library.filename().string() + " " + exportName + " " + std::to_string(first) +
                    " " + std::to_string(second));
    return result;
  }
  int32_t result = 0;
  std::vector<std::string> calls;
};

class FakeSessionNotifications final : public SessionNotifications {
 public:
  bool Register(WindowId window) override {
    registered = window;
    return true;
  }
  void Unregister(WindowId window) override {
    if (registered == window) registered = 0;
  }
  WindowId registered = 0;
};

// One marker per name across every FakeSingleInstance sharing `held`, as
// named mutexes are shared across processes.
class FakeSingleInstance final : public SingleInstance {
 public:
  explicit FakeSingleInstance(std::vector<std::u16string>& held) : held_(held) {}
  bool Acquire(std::u16string_view name) override {
    for (const auto& other : held_) {
      if (other == name) return false;
    }
    held_.emplace_back(name);
    name_ = name;
    return true;
  }
  void Release() override { std::erase(held_, name_); }

 private:
  std::vector<std::u16string>& held_;
  std::u16string name_;
};

}  // namespace lt260::test
