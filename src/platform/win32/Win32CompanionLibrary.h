#pragma once

#include <cstdint>
#include <filesystem>

#include "ports/CompanionLibrary.h"

namespace lt260 {

// Loads the library by its full path (a relative path is refused), with its
// own folder searched for its dependencies, calls the export and unloads it.
class Win32CompanionLibrary final : public CompanionLibrary {
 public:
  int32_t Call(const std::filesystem::path& library, const char* exportName, int32_t first,
               int32_t second) override;
};

}  // namespace lt260
