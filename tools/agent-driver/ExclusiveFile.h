#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace lt260::driver {

// Holds a file open with no sharing at all, as a program that locks it does,
// until destroyed.
class ExclusiveFile {
 public:
  ExclusiveFile() = default;
  ~ExclusiveFile();
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  bool Open(const std::filesystem::path& path, std::string& error);
  void Close();

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace lt260::driver
