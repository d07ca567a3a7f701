#include "ChildProcess.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "TopLevelWindows.h"
#include "common/SystemErrorText.h"
#include "platform/win32/Win32Text.h"
#include "ports/MessageNumbers.h"
#include "text/Utf8.h"

namespace lt260::driver {
namespace {

std::wstring UpperCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

// This process's environment with `overrides` set, as CreateProcessW wants it.
std::vector<wchar_t> EnvironmentBlock(
    const std::vector<std::pair<std::wstring, std::wstring>>& overrides) {
  std::vector<std::wstring> entries;
  if (wchar_t* inherited = ::GetEnvironmentStringsW()) {
    for (const wchar_t* entry = inherited; *entry != L'\0'; entry += wcslen(entry) + 1) {
      std::wstring text = entry;
      // Entries such as "=C:=C:\" carry the current folders; their name
      // starts after the first '='.
      size_t equals = text.find(L'=', 1);
      std::wstring name = UpperCase(text.substr(0, equals));
      bool replaced = std::any_of(overrides.begin(), overrides.end(),
                                  [&](const auto& o) { return UpperCase(o.first) == name; });
      if (!replaced) entries.push_back(text);
    }
    ::FreeEnvironmentStringsW(inherited);
  }
  for (const auto& [name, value] : overrides) entries.push_back(name + L"=" + value);
  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

ChildProcess::~ChildProcess() {
  Terminate();
  if (process_ != nullptr) ::CloseHandle(process_);
}

bool ChildProcess::Start(const std::filesystem::path& exe,
                         const std::vector<std::pair<std::wstring, std::wstring>>& environment,
                         std::string& error) {
  if (process_ != nullptr) {
    error = "this process object already holds a program";
    return false;
  }
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  std::vector<wchar_t> commandBuffer(commandLine.begin(), commandLine.end());
  commandBuffer.push_back(L'\0');
  std::vector<wchar_t> block = EnvironmentBlock(environment);
  std::wstring folder = exe.parent_path().wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), commandBuffer.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, block.data(), folder.c_str(), &startup,
                        &info)) {
    error = "cannot start " + win32::Utf8(exe.wstring()) + ": " + tools::LastErrorText();
    return false;
  }
  ::CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  exe_ = exe.wstring();
  return true;
}

std::optional<std::chrono::milliseconds> ChildProcess::ProcessorTime() const {
  if (process_ == nullptr) return std::nullopt;
  // The host's process table, reached through drive Z:. The Wine process
  // shows the program's command line, which begins with its path.
  const std::wstring wanted = UpperCase(exe_);
  std::error_code code;
  for (const auto& entry : std::filesystem::directory_iterator(L"Z:\\proc", code)) {
    const std::wstring name = entry.path().filename().wstring();
    if (name.empty() || name.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    std::ifstream commandFile(entry.path() / L"cmdline", std::ios::binary);
    std::string command((std::istreambuf_iterator<char>(commandFile)),
                        std::istreambuf_iterator<char>());
    if (UpperCase(win32::Wide(FromUtf8(command))).find(wanted) == std::wstring::npos) continue;
    std::ifstream statFile(entry.path() / L"stat");
    std::string stat;
    std::getline(statFile, stat);
    // After the name in parentheses: state, then ten numbers, then the user
    // and system times in ticks of 10 ms.
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) continue;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int i = 0; i < 11 && fields >> field; ++i) {
    }
    if (!(fields >> user >> system)) continue;
    return std::chrono::milliseconds((user + system) * 10);
  }
  return std::nullopt;
}

bool ChildProcess::Running() const {
  return process_ != nullptr && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
  if (process_ == nullptr) return std::nullopt;
  if (::WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

void ChildProcess::Terminate() {
  if (!Running()) return;
  ::TerminateProcess(process_, 99);
  ::WaitForSingleObject(process_, 5000);
}

void EndAgentAndGaming(ChildProcess& agent, HWND standIn) {
  const auto* configurator = win32::AsWide(kConfiguratorWindowTitle);
  if (HWND gaming = FindWindowTitled(configurator); gaming != nullptr && gaming != standIn) {
    ::PostMessageW(gaming, WM_CLOSE, 0, 0);
    WaitForNoWindow(configurator, 10s);
  }
  if (agent.Running()) {
    if (HWND window = FindWindowTitled(win32::AsWide(kAgentWindowTitle))) {
      ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    agent.WaitForExit(10s);
  }
}

}  // namespace lt260::driver
