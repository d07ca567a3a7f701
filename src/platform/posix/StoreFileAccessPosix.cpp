// The settings store's file operations over POSIX calls, for the native build.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "settings/StoreFileAccess.h"

namespace lt260 {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Closing can report a failed write-back; the caller must know.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(written);
  }
  return true;
}

// A rename is durable only once the folder that holds the names is flushed.
void FlushFolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Valid()) ::fsync(directory.Get());
}

}  // namespace

FileReadStatus ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.Valid()) {
    return errno == ENOENT || errno == ENOTDIR ? FileReadStatus::Missing
                                               : FileReadStatus::Unreadable;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return FileReadStatus::Unreadable;
  bytes.reserve(static_cast<size_t>(info.st_size));
  uint8_t buffer[64 * 1024];
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
    if (count == 0) return FileReadStatus::Read;
    if (count < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return FileReadStatus::Unreadable;
    }
    bytes.insert(bytes.end(), buffer, buffer + count);
  }
}

bool CreateFlushedFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!file.Valid()) return false;
  return WriteAll(file.Get(), bytes) && ::fsync(file.Get()) == 0 && file.Close();
}

bool MoveFileOver(const std::filesystem::path& source, const std::filesystem::path& target) {
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  FlushFolderOf(target);
  return true;
}

bool OverwriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (!file.Valid()) return false;
  return WriteAll(file.Get(), bytes) &&
         ::ftruncate(file.Get(), static_cast<off_t>(bytes.size())) == 0 &&
         ::fsync(file.Get()) == 0 && file.Close();
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

bool ProcessIsRunning(uint32_t processId) {
  if (processId == 0 || processId > static_cast<uint32_t>(INT32_MAX)) return false;
  return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

}  // namespace lt260
