// The built lt260ctl as a process: its main, the Linux watchers (termination
// signals, the simulated mouse's control pipe) and its exit statuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/SteadyClock.h"
#include "platform/linux/LinuxCliPlatform.h"
#include "settings/IniFile.h"
#include "support/TempDir.h"

namespace lt260 {
namespace {

using test::TempDir;

struct Process {
  pid_t pid = -1;
  std::filesystem::path out;
  std::filesystem::path err;
};

Process Start(const TempDir& home, std::vector<std::string> args,
              std::vector<std::string> environment = {}) {
  Process process{-1, home / "stdout", home / "stderr"};
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(process.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(process.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::setenv("HOME", home.Path().c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    for (const std::string& variable : environment) ::putenv(const_cast<char*>(variable.c_str()));
    std::vector<char*> argv{const_cast<char*>(LT260CTL_PATH)};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(LT260CTL_PATH, argv.data());
    ::_exit(127);
  }
  process.pid = pid;
  return process;
}

int Wait(const Process& process) {
  int status = 0;
  for (int i = 0; i < 500; ++i) {
    if (::waitpid(process.pid, &status, WNOHANG) == process.pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(process.pid, SIGKILL);
  ::waitpid(process.pid, &status, 0);
  return -1;
}

template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(Lt260ctlProcessTest, ShortVerbsExitWithTheirStatus) {
  TempDir home;
  EXPECT_EQ(Wait(Start(home, {"udev-rule"})), 0);
  EXPECT_EQ(Wait(Start(home, {"--device", "sim", "list"})), 0);
  EXPECT_EQ(Wait(Start(home, {"no-such-verb"})), 2);
  const Process apply = Start(home, {"--device", "sim", "apply"}, {"LT260_SIM_UNPLUGGED=1"});
  EXPECT_EQ(Wait(apply), 3);
  EXPECT_EQ(test::ReadBytes(apply.err),
            "lt260ctl: no LT-260 mouse found (vendor 3938 or 1B80, product 1101 or B412); is it "
            "plugged in?\n");
  EXPECT_EQ(Wait(Start(home, {"--device", "sim", "apply"})), 0);
  EXPECT_TRUE(std::filesystem::exists(home / ".config/lt260/GamingMouse"));
}

// The agent as a service: the simulated mouse plugged in and pressed through
// its control pipe, stopped by SIGTERM like systemd stops it.
TEST(Lt260ctlProcessTest, AgentFollowsTheMouseAndStopsOnTermination) {
  TempDir home;
  const std::string control = (home / "control").string();
  const Process agent = Start(home, {"--device", "sim", "agent"},
                              {"LT260_SIM_UNPLUGGED=1", "LT260_SIM_CONTROL=" + control});
  ASSERT_TRUE(Eventually([&] {
    return test::ReadBytes(agent.out).find("watching the mouse") != std::string::npos &&
           std::filesystem::exists(control);
  }));
  SteadyClock clock;
  IniFile settings(home / ".config/lt260/GamingMouse", clock);
  {
    std::ofstream pipe(control);
    pipe << "plug\n" << std::flush;
  }
  ASSERT_TRUE(Eventually([&] { return settings.ReadInt(u"Setting", u"Device", 0) == 1; }));
  {
    std::ofstream pipe(control);
    pipe << "press 5\n" << std::flush;
  }
  ASSERT_TRUE(Eventually([&] { return settings.ReadInt(u"Profile0Setting", u"DPI_Cur", 0) == 5; }));
  ::kill(agent.pid, SIGTERM);
  EXPECT_EQ(Wait(agent), 0);
  EXPECT_NE(test::ReadBytes(agent.out).find("lt260ctl agent: stopped"), std::string::npos);
}

TEST(LinuxCliPlatformTest, SuspendedTimeIsNeverNegative) { EXPECT_GE(SuspendedNanoseconds(), 0); }

}  // namespace
}  // namespace lt260
