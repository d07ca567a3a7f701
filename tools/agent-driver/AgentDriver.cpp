#include "AgentDriver.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/SteadyClock.h"
#include "common/SystemErrorText.h"
#include "ports/MessageNumbers.h"
#include "settings/IniFile.h"

namespace lt260::driver {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::string LastError() { return tools::SystemErrorText(::GetLastError()); }

std::filesystem::path RoamingAppData() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) {
    return {};
  }
  return folder;
}

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

// ---------------------------------------------------------------- paths

std::filesystem::path FromBuildPath(std::string_view buildPath) {
  std::wstring path(buildPath.begin(), buildPath.end());
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length,
                        nullptr, nullptr);
  return out;
}

std::string Narrow(std::u16string_view text) {
  return Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(text.data()), text.size()));
}

std::filesystem::path SettingsFilePath() {
  std::filesystem::path folder = RoamingAppData();
  if (folder.empty()) return {};
  // Joined as text, as the Agent does, rather than with operator/.
  return folder.wstring() + L"\\Quendra\\LT-260\\GamingMouse";
}

bool CleanQuendraAppData(std::string& error) {
  std::filesystem::path folder = RoamingAppData();
  if (folder.empty()) {
    error = "cannot find the roaming application-data folder";
    return false;
  }
  std::error_code code;
  std::filesystem::remove_all(folder / L"Quendra", code);
  if (code || std::filesystem::exists(folder / L"Quendra")) {
    error = "cannot remove " + Narrow((folder / L"Quendra").wstring()) + ": " + code.message();
    return false;
  }
  std::filesystem::create_directories(folder / L"Quendra" / L"LT-260", code);
  if (code) {
    error = "cannot make " + Narrow((folder / L"Quendra" / L"LT-260").wstring()) + ": " +
            code.message();
    return false;
  }
  return true;
}

std::filesystem::path PrepareInstallation(const InstallationSources& sources, std::string& error) {
  wchar_t temp[MAX_PATH + 1] = {};
  if (::GetTempPathW(MAX_PATH + 1, temp) == 0) {
    error = "cannot find the temporary folder: " + LastError();
    return {};
  }
  static std::atomic<unsigned> serial{0};
  std::filesystem::path folder =
      std::filesystem::path(temp) /
      (L"lt260-installation-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
       std::to_wstring(serial++));
  std::filesystem::path language = sources.Agent.parent_path() / L"Lan";
  const std::pair<std::filesystem::path, const char*> files[] = {
      {sources.Agent, "the Agent"},
      {sources.Configurator, "Gaming.exe"},
      {sources.Companion, "CheckPidVid.dll"},
      {language / L"skin_En.ini", "the English language file"},
      {language / L"skin_Sp.ini", "the Spanish language file"},
  };
  for (const auto& [path, what] : files) {
    if (!std::filesystem::is_regular_file(path)) {
      error = std::string("no ") + what + " at " + Narrow(path.wstring()) + " (is it built?)";
      return {};
    }
  }
  std::error_code code;
  std::filesystem::remove_all(folder, code);
  std::filesystem::create_directories(folder / L"Lan", code);
  if (code) {
    error =
        "cannot make the installation folder " + Narrow(folder.wstring()) + ": " + code.message();
    return {};
  }
  const std::pair<std::filesystem::path, std::filesystem::path> copies[] = {
      {sources.Agent, folder / sources.Agent.filename()},
      {sources.Configurator, folder / L"Gaming.exe"},
      {sources.Companion, folder / L"CheckPidVid.dll"},
      {language / L"skin_En.ini", folder / L"Lan" / L"skin_En.ini"},
      {language / L"skin_Sp.ini", folder / L"Lan" / L"skin_Sp.ini"},
  };
  for (const auto& [from, to] : copies) {
    if (!std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                    code)) {
      error = "cannot copy " + Narrow(from.wstring()) + " to " + Narrow(to.wstring()) + ": " +
              code.message();
      return {};
    }
  }
  return folder;
}

// ---------------------------------------------------------------- processes

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
    error = "cannot start " + Narrow(exe.wstring()) + ": " + LastError();
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
    std::wstring wide(command.begin(), command.end());
    if (UpperCase(wide).find(wanted) == std::wstring::npos) continue;
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

// ---------------------------------------------------------------- debug output

// The shared buffer of the debug-output protocol: the writer's process id,
// then its text, NUL-terminated.
constexpr DWORD kDebugBufferSize = 4096;

DebugOutputListener::~DebugOutputListener() {
  if (thread_.joinable()) {
    ::SetEvent(stop_);
    thread_.join();
  }
  if (view_ != nullptr) ::UnmapViewOfFile(view_);
  for (HANDLE handle : {mapping_, bufferReady_, dataReady_, stop_}) {
    if (handle != nullptr) ::CloseHandle(handle);
  }
}

bool DebugOutputListener::Start(std::string& error) {
  bufferReady_ = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
  dataReady_ = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
  stop_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  kDebugBufferSize, L"DBWIN_BUFFER");
  if (bufferReady_ == nullptr || dataReady_ == nullptr || stop_ == nullptr || mapping_ == nullptr) {
    error = "cannot make the objects of the debug-output protocol: " + LastError();
    return false;
  }
  view_ = static_cast<const char*>(::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
  if (view_ == nullptr) {
    error = "cannot map the debug-output buffer: " + LastError();
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

void DebugOutputListener::Run() {
  ::SetEvent(bufferReady_);
  const HANDLE events[] = {stop_, dataReady_};
  while (::WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    DWORD processId = 0;
    std::memcpy(&processId, view_, sizeof processId);
    const char* text = view_ + sizeof processId;
    std::string line(text, strnlen(text, kDebugBufferSize - sizeof processId));
    {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(processId, std::move(line));
    }
    ::SetEvent(bufferReady_);
  }
}

std::vector<std::string> DebugOutputListener::Lines(DWORD processId) const {
  std::vector<std::string> lines;
  std::lock_guard lock(mutex_);
  for (const auto& [id, line] : lines_) {
    if (id == processId) lines.push_back(line);
  }
  return lines;
}

bool DebugOutputListener::WaitForLine(DWORD processId, std::string_view text,
                                      std::chrono::milliseconds limit) const {
  return WaitUntil(
      [&] {
        for (const std::string& line : Lines(processId)) {
          if (line.find(text) != std::string::npos) return true;
        }
        return false;
      },
      limit);
}

// ---------------------------------------------------------------- files held open

ExclusiveFile::~ExclusiveFile() { Close(); }

bool ExclusiveFile::Open(const std::filesystem::path& path, std::string& error) {
  Close();
  file_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    error = "cannot open " + Narrow(path.wstring()) + " exclusively: " + LastError();
    return false;
  }
  return true;
}

void ExclusiveFile::Close() {
  if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

void EndAgentAndGaming(ChildProcess& agent, HWND standIn) {
  const auto* configurator = reinterpret_cast<const wchar_t*>(kConfiguratorWindowTitle);
  if (HWND gaming = FindWindowTitled(configurator); gaming != nullptr && gaming != standIn) {
    ::PostMessageW(gaming, WM_CLOSE, 0, 0);
    WaitForNoWindow(configurator, 10s);
  }
  if (agent.Running()) {
    if (HWND window = FindWindowTitled(reinterpret_cast<const wchar_t*>(kAgentWindowTitle))) {
      ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    agent.WaitForExit(10s);
  }
}

// ---------------------------------------------------------------- windows and messages

HWND FindWindowTitled(std::wstring_view title) {
  return ::FindWindowW(nullptr, std::wstring(title).c_str());
}

HWND WaitForWindow(std::wstring_view title, std::chrono::milliseconds limit) {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindWindowTitled(title)) != nullptr; }, limit);
  return window;
}

bool WaitForNoWindow(std::wstring_view title, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return FindWindowTitled(title) == nullptr; }, limit);
}

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::string& error) {
  if (window == nullptr) {
    error = "no window to post " + MessageName(message) + " to";
    return false;
  }
  if (!::PostMessageW(window, message, wParam, lParam)) {
    error = "cannot post " + MessageName(message) + ": " + LastError();
    return false;
  }
  return true;
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
          std::string& error, std::chrono::milliseconds limit) {
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(limit.count()), &answer)) {
    error = MessageName(message) + " was not answered within " + std::to_string(limit.count()) +
            " ms: " + LastError();
    return false;
  }
  result = static_cast<LRESULT>(answer);
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::string MessageName(UINT message) {
  switch (message) {
    case WM_DESTROY:
      return "WM_DESTROY";
    case WM_CLOSE:
      return "WM_CLOSE";
    case WM_COMMAND:
      return "WM_COMMAND";
    case WM_DEVICECHANGE:
      return "WM_DEVICECHANGE";
    case 0x2B1:
      return "WM_WTSSESSION_CHANGE";
    case 0x4FF:
      return "WM_AGENT_RELOAD";
    case 0x500:
      return "WM_AGENT_DPI_STAGE";
    case 0x501:
      return "WM_AGENT_DEVICE_COMMAND";
    case 0x465:
      return "WM_AGENT_TRAY_NOTIFY";
    case 0x505:
      return "WM_CFG_SYNC_DONE";
    case 0x506:
      return "WM_CFG_DPI_STAGE";
    case 0x915:
      return "WM_CFG_DEVICE_ABSENT";
    case WM_APP + 1:
      return "WM_SIM_PLUG";
    case WM_APP + 2:
      return "WM_SIM_UNPLUG";
    case WM_APP + 3:
      return "WM_SIM_PRESS_DPI";
    case WM_APP + 4:
      return "WM_SIM_REFUSE";
    case WM_APP + 5:
      return "WM_SIM_WRITE_TRACE";
    case WM_APP + 6:
      return "WM_SIM_VANISH_AFTER";
    case WM_APP + 7:
      return "WM_SIM_GARBAGE";
    case WM_COPYDATA:
      return "WM_COPYDATA";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "0x%X", message);
      return text;
    }
  }
}

// ---------------------------------------------------------------- stand-in windows

namespace {
// Ends a stand-in window's loop; only its owner posts it.
constexpr UINT kStandInStop = WM_APP + 0x3F0;
}  // namespace

StandInWindow::StandInWindow(std::wstring title) : title_(std::move(title)) {
  static std::atomic<unsigned> serial{0};
  className_ = L"LT260DriverStandIn" + std::to_wstring(serial++);
}

StandInWindow::~StandInWindow() {
  if (window_ != nullptr) ::PostMessageW(window_, kStandInStop, 0, 0);
  if (thread_.joinable()) thread_.join();
}

bool StandInWindow::Open(std::string& error) {
  if (thread_.joinable()) {
    error = "the stand-in window \"" + Narrow(title_) + "\" is already open";
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  std::unique_lock lock(mutex_);
  opened_.wait(lock, [this] { return openDone_; });
  if (window_ == nullptr) {
    error = openError_;
    return false;
  }
  return true;
}

void StandInWindow::Run() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &StandInWindow::WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className_.c_str();
  HWND window = nullptr;
  std::string problem;
  if (::RegisterClassExW(&windowClass) == 0) {
    problem = "cannot register the class of the stand-in window \"" + Narrow(title_) +
              "\": " + LastError();
  } else {
    // Hidden like the programs it stands for: WS_POPUP and never shown.
    window = ::CreateWindowExW(0, className_.c_str(), title_.c_str(), WS_POPUP, 0, 0, 100, 100,
                               nullptr, nullptr, instance, this);
    if (window == nullptr) {
      problem = "cannot create the stand-in window \"" + Narrow(title_) + "\": " + LastError();
    }
  }
  {
    std::lock_guard lock(mutex_);
    window_ = window;
    openError_ = problem;
    openDone_ = true;
  }
  opened_.notify_all();
  if (window == nullptr) return;

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == window && message.message == kStandInStop) {
      ::DestroyWindow(window);
      continue;
    }
    if (message.hwnd == window) {
      Record(message.message, message.wParam, message.lParam, true);
      // A posted WM_DESTROY is only a message; dispatching it would make the
      // window procedure believe its window is going away.
      if (message.message == WM_DESTROY) continue;
    }
    dispatchingPosted_ = message.hwnd == window;
    ::DispatchMessageW(&message);
    dispatchingPosted_ = false;
  }
  ::UnregisterClassW(className_.c_str(), instance);
}

LRESULT CALLBACK StandInWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<StandInWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  // Posted messages were written down by the loop already.
  if (!self->dispatchingPosted_) self->Record(message, wParam, lParam, false);
  switch (message) {
    case WM_CLOSE:
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void StandInWindow::Record(UINT message, WPARAM wParam, LPARAM lParam, bool posted) {
  std::lock_guard lock(mutex_);
  received_.push_back({message, wParam, lParam, posted});
}

std::vector<ReceivedMessage> StandInWindow::Messages() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::vector<ReceivedMessage> StandInWindow::MessagesOf(UINT message) const {
  std::vector<ReceivedMessage> matching;
  std::lock_guard lock(mutex_);
  for (const ReceivedMessage& received : received_) {
    if (received.Message == message) matching.push_back(received);
  }
  return matching;
}

bool StandInWindow::WaitForMessages(UINT message, size_t count, std::chrono::milliseconds limit) {
  return WaitUntil([&] { return MessagesOf(message).size() >= count; }, limit);
}

// ---------------------------------------------------------------- the simulated mouse

bool ControlSimulatedMouse(UINT message, WPARAM wParam, std::string& error) {
  HWND window = FindWindowTitled(kSimulatedMouseWindow);
  if (window == nullptr) {
    error = "no window titled \"LT-260 Simulated Mouse\": is LT260AgentSim.exe running?";
    return false;
  }
  LRESULT result = 0;
  return Send(window, message, wParam, 0, result, error);
}

bool HoldSimulatedReport(const std::vector<uint8_t>& report, std::string& error) {
  HWND window = FindWindowTitled(kSimulatedMouseWindow);
  if (window == nullptr) {
    error = "no window titled \"LT-260 Simulated Mouse\": is LT260AgentSim.exe running?";
    return false;
  }
  // The control window's mark for a report to hold.
  constexpr ULONG_PTR kHoldReport = 0x4C543236;
  COPYDATASTRUCT data{};
  data.dwData = kHoldReport;
  data.cbData = static_cast<DWORD>(report.size());
  data.lpData = const_cast<uint8_t*>(report.data());
  LRESULT result = 0;
  if (!Send(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), result, error)) return false;
  if (result == 0) {
    error = "the simulated mouse did not take the report of " + std::to_string(report.size()) +
            " bytes";
    return false;
  }
  return true;
}

bool ParseTransfer(const std::string& line, Transfer& transfer) {
  std::istringstream words(line);
  Transfer parsed;
  parsed.Line = line;
  if (!(words >> parsed.Kind >> parsed.Length)) return false;
  auto hexByte = [](const std::string& word, uint8_t& value) {
    if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
        !std::isxdigit(static_cast<unsigned char>(word[1]))) {
      return false;
    }
    value = static_cast<uint8_t>(std::stoul(word, nullptr, 16));
    return true;
  };
  std::string word;
  if (parsed.Kind == "set") {
    if (!(words >> word) || (word != "accepted" && word != "refused")) return false;
    parsed.Accepted = word == "accepted";
    while (words >> word) {
      uint8_t value = 0;
      if (!hexByte(word, value)) return false;
      parsed.Bytes.push_back(value);
    }
  } else if (parsed.Kind == "get") {
    uint8_t id = 0;
    if (!(words >> word) || !hexByte(word, id)) return false;
    parsed.Bytes.push_back(id);
    if (!(words >> word) || (word != "accepted" && word != "refused")) return false;
    parsed.Accepted = word == "accepted";
  } else if (parsed.Kind == "read") {
    while (words >> word) {
      uint8_t value = 0;
      if (!hexByte(word, value)) return false;
      parsed.Bytes.push_back(value);
    }
  } else {
    return false;
  }
  transfer = std::move(parsed);
  return true;
}

std::vector<Transfer> ReadTransferLog(const std::filesystem::path& log, std::string& error) {
  std::vector<Transfer> transfers;
  for (const std::string& line : ReadTextLines(log)) {
    if (line.empty()) continue;
    Transfer transfer;
    if (ParseTransfer(line, transfer)) {
      transfers.push_back(std::move(transfer));
    } else if (error.empty()) {
      error = "not a transfer in " + Narrow(log.wstring()) + ": \"" + line.substr(0, 80) + "\"";
    }
  }
  return transfers;
}

std::string Hex(const uint8_t* bytes, size_t count) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : " %02x", bytes[i]);
    text += byte;
  }
  return text;
}

// ---------------------------------------------------------------- files and registry

std::vector<std::string> ReadTextLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  // A line being written just now may be cut; it is read whole next time.
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::optional<std::u16string> ReadSettingsValue(const std::filesystem::path& path,
                                                std::u16string_view section,
                                                std::u16string_view key) {
  IniFile::Snapshot snapshot = IniFile::Load(path);
  if (snapshot.status != IniFile::LoadStatus::Loaded) return std::nullopt;
  // A default no file can hold tells a missing key from an empty one.
  static constexpr char16_t kMissing[] = u"\x01missing\x01";
  std::u16string value = snapshot.document.ReadString(section, key, kMissing);
  if (value == kMissing) return std::nullopt;
  return value;
}

std::optional<int32_t> ReadSettingsInt(const std::filesystem::path& path,
                                       std::u16string_view section, std::u16string_view key) {
  if (!ReadSettingsValue(path, section, key)) return std::nullopt;
  return IniFile::Load(path).document.ReadInt(section, key, 0);
}

bool WriteSettingsInt(const std::filesystem::path& path, std::u16string_view section,
                      std::u16string_view key, int32_t value, std::string& error) {
  SteadyClock clock;
  if (!IniFile(path, clock).WriteInt(section, key, value)) {
    error = "cannot write " + Narrow(key) + " of [" + Narrow(section) + "] in " +
            Narrow(path.wstring());
    return false;
  }
  return true;
}

std::map<std::string, std::string> SettingsEntries(const std::filesystem::path& path) {
  std::map<std::string, std::string> entries;
  std::string section;
  for (std::string line : ReadTextLines(path)) {
    auto trim = [](std::string text) {
      size_t begin = text.find_first_not_of(" \t");
      size_t end = text.find_last_not_of(" \t");
      return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    };
    line = trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = trim(line.substr(1, line.size() - 2));
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = section + "/" + trim(line.substr(0, equals));
    // The first of two equal keys is the one every reader sees.
    entries.emplace(key, trim(line.substr(equals + 1)));
  }
  return entries;
}

std::optional<std::wstring> ReadMouseRegistryValue(const wchar_t* name) {
  wchar_t value[256] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", name, RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

}  // namespace lt260::driver
