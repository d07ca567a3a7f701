#include "DebugOutputListener.h"

#include <cstring>

#include "common/SystemErrorText.h"

namespace lt260::driver {
namespace {

// The shared buffer of the debug-output protocol: the writer's process id,
// then its text, NUL-terminated.
constexpr DWORD kDebugBufferSize = 4096;

}  // namespace

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
    error = "cannot make the objects of the debug-output protocol: " + tools::LastErrorText();
    return false;
  }
  view_ = static_cast<const char*>(::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0));
  if (view_ == nullptr) {
    error = "cannot map the debug-output buffer: " + tools::LastErrorText();
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

}  // namespace lt260::driver
