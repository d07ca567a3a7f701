// The settings store's file operations over the Win32 file functions, with
// the access and sharing of the private-profile functions.
#include <windows.h>

#include <algorithm>
#include <limits>

#include "settings/StoreFileAccess.h"

namespace lt260 {
namespace {

// The profile functions read a file sharing everything, so another program's
// handle lets them read whenever it shares reading, whatever access it holds
// (deletion on close included). They write it sharing reading and writing
// only: a handle that may delete the file, or that does not share both,
// keeps them from writing.
constexpr DWORD kReadSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kWriteSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != FALSE;
  }

 private:
  HANDLE handle_;
};

// One WriteFile for the whole content where it fits, so that a write is
// never split by this program.
bool WriteAll(HANDLE file, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(
        std::min<size_t>(bytes.size() - done, std::numeric_limits<DWORD>::max()));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

FileReadStatus ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, kReadSharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? FileReadStatus::Missing
               : FileReadStatus::Unreadable;
  }
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 31)) {
    bytes.reserve(static_cast<size_t>(size.QuadPart));
  }
  uint8_t buffer[64 * 1024];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &count, nullptr)) {
      bytes.clear();
      return FileReadStatus::Unreadable;
    }
    if (count == 0) return FileReadStatus::Read;
    bytes.insert(bytes.end(), buffer, buffer + count);
  }
}

bool CreateFlushedFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  return WriteAll(file.Get(), bytes) && FlushFileBuffers(file.Get()) && file.Close();
}

bool MoveFileOver(const std::filesystem::path& source, const std::filesystem::path& target) {
  return MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool OverwriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kWriteSharing, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  return WriteAll(file.Get(), bytes) && SetEndOfFile(file.Get()) && FlushFileBuffers(file.Get()) &&
         file.Close();
}

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessIsRunning(uint32_t processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

}  // namespace lt260
