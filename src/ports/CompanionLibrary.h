#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace lt260 {

// Loads a library by its full path (never through the search path), calls an
// export taking two integers and returning one, and unloads it.
class CompanionLibrary {
 public:
  virtual ~CompanionLibrary() = default;
  // 0 when the library or the export is missing.
  virtual int32_t Call(const std::filesystem::path& library, const char* exportName, int32_t first,
                       int32_t second) = 0;
};

}  // namespace lt260
