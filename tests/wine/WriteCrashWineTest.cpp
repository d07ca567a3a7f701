// Kills a process writing the settings file with TerminateProcess at random
// moments, from this Windows process.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "AgentDriver.h"
#include "crash/WriteCrashCampaign.h"

namespace lt260::crash {
namespace {

class Win32WriterProcess : public WriterProcess {
 public:
  ~Win32WriterProcess() override {
    Kill();
    CloseOutput();
  }

  bool Start(const std::filesystem::path& file, uint64_t firstIndex, std::string& error) override {
    CloseOutput();
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&output_, &writeEnd, &inheritable, 0)) {
      error = "CreatePipe failed: " + std::to_string(GetLastError());
      return false;
    }
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    const std::filesystem::path child = driver::FromBuildPath(LT260_WRITER_CHILD);
    std::wstring commandLine =
        L"\"" + child.wstring() + L"\" \"" + file.wstring() + L"\" " + std::to_wstring(firstIndex);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(child.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(writeEnd);
    if (!started) {
      error = "CreateProcessW failed: " + std::to_string(startError);
      CloseOutput();
      return false;
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    return true;
  }

  std::string ReadSome() override {
    if (output_ == nullptr) return {};
    char buffer[4096];
    DWORD count = 0;
    if (!ReadFile(output_, buffer, sizeof buffer, &count, nullptr) || count == 0) {
      CloseOutput();
      return {};
    }
    return std::string(buffer, count);
  }

  void Kill() override {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    process_ = nullptr;
  }

 private:
  void CloseOutput() {
    if (output_ != nullptr) CloseHandle(output_);
    output_ = nullptr;
  }

  HANDLE process_ = nullptr;
  HANDLE output_ = nullptr;
};

TEST(WriteCrash, AKilledWriteLeavesTheOldOrTheNewFileWholeAndNoTemporaryFilesPileUp) {
  CampaignPlan asked;
  asked.kills = 120;
  asked.mostWritesPerWriter = 14;
  const CampaignPlan plan = PlanFromEnvironment(asked);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("lt260-crash-" + std::to_string(plan.seed));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  CampaignResult result;
  {
    Win32WriterProcess writer;
    result = RunWriteCrashCampaign(writer, folder, plan);
  }
  std::cout << "TerminateProcess campaign (seed " << plan.seed << "): " << Describe(result.counts)
            << "\n";
  for (const std::string& failure : result.failures) ADD_FAILURE() << failure;
  EXPECT_GE(result.counts.writesBegun, plan.writes) << "fewer writes than asked";
  EXPECT_GE(result.counts.kills, plan.kills) << "fewer kills than asked";
  EXPECT_GT(result.counts.killsDuringWrite, 0u) << "no kill landed inside a write";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
}  // namespace lt260::crash
