#include "platform/win32/Win32CompanionLibrary.h"

#include <windows.h>

namespace lt260 {
namespace {

// The export's declared convention is WINAPI; in 64-bit code there is only
// one convention, so a library built either way is called correctly.
using TwoIntegerExport = int(WINAPI*)(int, int);

// A library whose dependencies are missing must not put up the loader's
// error box: the Agent shows nothing to the user.
class NoErrorBoxes {
 public:
  NoErrorBoxes() {
    restore_ = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
  }
  ~NoErrorBoxes() {
    if (restore_) ::SetThreadErrorMode(previous_, nullptr);
  }
  NoErrorBoxes(const NoErrorBoxes&) = delete;
  NoErrorBoxes& operator=(const NoErrorBoxes&) = delete;

 private:
  DWORD previous_ = 0;
  BOOL restore_ = FALSE;
};

}  // namespace

int32_t Win32CompanionLibrary::Call(const std::filesystem::path& library, const char* exportName,
                                    int32_t first, int32_t second) {
  if (!library.is_absolute() || exportName == nullptr) return 0;
  HMODULE module = nullptr;
  {
    NoErrorBoxes quiet;
    module = ::LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  if (module == nullptr) return 0;
  int32_t result = 0;
  if (FARPROC address = ::GetProcAddress(module, exportName); address != nullptr) {
    // Through the generic function pointer type, which the compiler accepts
    // as a bridge between unrelated function types.
    auto function = reinterpret_cast<TwoIntegerExport>(reinterpret_cast<void (*)()>(address));
    result = function(first, second);
  }
  ::FreeLibrary(module);
  return result;
}

}  // namespace lt260
