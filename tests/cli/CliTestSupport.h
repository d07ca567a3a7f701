#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliPlatform.h"
#include "cli/CliProgram.h"
#include "cli/SimMouseSystem.h"
#include "sim/SimulatedMouse.h"
#include "support/TempDir.h"

namespace lt260::test {

// An output stream another thread may write while the test reads it.
class SharedOutput : private std::streambuf, public std::ostream {
 public:
  SharedOutput() : std::ostream(this) {}
  std::string Text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  // Waits until the text holds `part`; false after five seconds.
  bool WaitFor(const std::string& part) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5),
                             [&] { return text_.find(part) != std::string::npos; });
  }

 private:
  int overflow(int c) override {
    if (c != EOF) {
      std::lock_guard lock(mutex_);
      text_.push_back(static_cast<char>(c));
    }
    changed_.notify_all();
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    {
      std::lock_guard lock(mutex_);
      text_.append(s, static_cast<std::size_t>(n));
    }
    changed_.notify_all();
    return n;
  }

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::string text_;
};

// A clock moved only by sleeps and the test, safe to read from the agent's thread.
class SharedFakeClock final : public Clock {
 public:
  uint32_t TickCount() override { return now_.load(); }
  void Sleep(uint32_t milliseconds) override {
    now_ += milliseconds;
    ++sleeps_;
  }
  void Advance(uint32_t milliseconds) { now_ += milliseconds; }
  int Sleeps() const { return sleeps_.load(); }

 private:
  std::atomic<uint32_t> now_{500'000};
  std::atomic<int> sleeps_{0};
};

// lt260ctl's platform around a simulated mouse the test holds, a settings
// file in a fresh folder, and the queue of agent and watch for the test to post to.
class TestPlatform final : public CliPlatform {
 public:
  std::unique_ptr<MouseSystem> OpenMouseSystem(DeviceChoice, WindowMessages&) override {
    return std::make_unique<SimMouseSystem>(*mouse);
  }
  Clock& SystemClock() override { return clock; }
  std::filesystem::path DefaultSettingsPath() override { return SettingsPath(); }
  std::optional<std::string> VerbUnavailable(Verb verb) override {
    if (const auto found = unavailableVerbs.find(verb); found != unavailableVerbs.end()) {
      return found->second;
    }
    return std::nullopt;
  }
  std::shared_ptr<void> StartWatchers(MessageQueue& started, MouseSystem&) override {
    queue.store(&started);
    return nullptr;
  }

  std::filesystem::path SettingsPath() const { return folder.Path() / "lt260" / "GamingMouse"; }
  // Posts to the running agent or watch, once it has started.
  void Post(uint32_t message, uint64_t wParam = 0) {
    while (queue.load() == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    queue.load()->Post(kCliWindow, message, wParam, 0);
  }

  // Replaces the mouse before a run, for a test of other interfaces.
  void Configure(SimulatedMouseConfig config) {
    mouse = std::make_unique<SimulatedMouse>(std::move(config));
  }

  std::unique_ptr<SimulatedMouse> mouse = std::make_unique<SimulatedMouse>();
  // Verbs this platform has no use for, with its reason.
  std::map<Verb, std::string> unavailableVerbs;
  SharedFakeClock clock;
  TempDir folder;
  std::atomic<MessageQueue*> queue{nullptr};
};

struct CliResult {
  int status = 0;
  std::string out;
  std::string err;
};

inline CliResult RunCliWith(TestPlatform& platform, std::vector<std::string> args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err, platform);
  return {status, out.str(), err.str()};
}

}  // namespace lt260::test
