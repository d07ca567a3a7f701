// Kills a process writing the settings file with SIGKILL at random moments.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "crash/WriteCrashCampaign.h"
#include "support/TempDir.h"

namespace lt260::crash {
namespace {

class PosixWriterProcess : public WriterProcess {
 public:
  ~PosixWriterProcess() override {
    Kill();
    CloseOutput();
  }

  bool Start(const std::filesystem::path& file, uint64_t firstIndex, std::string& error) override {
    CloseOutput();
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
      error = "pipe failed";
      return false;
    }
    const std::string first = std::to_string(firstIndex);
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(pipeEnds[1], STDOUT_FILENO);
      ::execl(LT260_WRITER_CHILD, LT260_WRITER_CHILD, file.c_str(), first.c_str(), nullptr);
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (child < 0) {
      ::close(pipeEnds[0]);
      error = "fork failed";
      return false;
    }
    child_ = child;
    output_ = pipeEnds[0];
    return true;
  }

  std::string ReadSome() override {
    if (output_ < 0) return {};
    char buffer[4096];
    ssize_t count;
    do {
      count = ::read(output_, buffer, sizeof buffer);
    } while (count < 0 && errno == EINTR);
    if (count <= 0) {
      CloseOutput();
      return {};
    }
    return std::string(buffer, static_cast<size_t>(count));
  }

  void Kill() override {
    if (child_ <= 0) return;
    ::kill(child_, SIGKILL);
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
  }

 private:
  void CloseOutput() {
    if (output_ >= 0) ::close(output_);
    output_ = -1;
  }

  pid_t child_ = -1;
  int output_ = -1;
};

TEST(WriteCrash, AKilledWriteLeavesTheOldOrTheNewFileWholeAndNoTemporaryFilesPileUp) {
  CampaignPlan asked;
  asked.kills = 250;
  asked.mostWritesPerWriter = 6;
  const CampaignPlan plan = PlanFromEnvironment(asked);
  test::TempDir folder;
  PosixWriterProcess writer;
  const CampaignResult result = RunWriteCrashCampaign(writer, folder.Path(), plan);
  std::cout << "SIGKILL campaign (seed " << plan.seed << "): " << Describe(result.counts) << "\n";
  for (const std::string& failure : result.failures) ADD_FAILURE() << failure;
  EXPECT_GE(result.counts.writesBegun, plan.writes) << "fewer writes than asked";
  EXPECT_GE(result.counts.kills, plan.kills) << "fewer kills than asked";
  EXPECT_GT(result.counts.killsDuringWrite, 0u) << "no kill landed inside a write";
}

}  // namespace
}  // namespace lt260::crash
