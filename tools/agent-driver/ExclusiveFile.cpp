#include "ExclusiveFile.h"

#include "common/SystemErrorText.h"
#include "platform/win32/Win32Text.h"

namespace lt260::driver {

ExclusiveFile::~ExclusiveFile() { Close(); }

bool ExclusiveFile::Open(const std::filesystem::path& path, std::string& error) {
  Close();
  file_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    error =
        "cannot open " + win32::Utf8(path.wstring()) + " exclusively: " + tools::LastErrorText();
    return false;
  }
  return true;
}

void ExclusiveFile::Close() {
  if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

}  // namespace lt260::driver
